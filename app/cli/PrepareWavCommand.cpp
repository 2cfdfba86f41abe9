#include "CliCommands.h"
#include "CliOutput.h"

#include "audio/AudioExtraction.h"
#include "audio/WavFile.h"

#include <QDir>
#include <QFileInfo>

int runPrepareWavCommand(const QStringList &arguments)
{
    if (arguments.size() != 2) {
        printErrorLine(QStringLiteral("usage: cuewright-cli prepare-wav MEDIA SCRATCH_DIR"));
        return ExitUsage;
    }
    const QString &media = arguments[0];
    const QString &scratch = arguments[1];
    if (!QFileInfo(media).isFile()) {
        printErrorLine(QStringLiteral("%1: no such file").arg(media));
        return ExitFailed;
    }
    if (!QDir().mkpath(scratch)) {
        printErrorLine(QStringLiteral("%1: cannot create the folder").arg(scratch));
        return ExitFailed;
    }

    const QString wavPath = prepareWavForMedia(media, scratch);
    // The conversion does not judge ffmpeg; the result must load to count.
    WavFile wav;
    if (!wav.Load(wavPath)) {
        printErrorLine(QStringLiteral("%1: conversion failed: %2").arg(media, wavLoadErrorText(wav.error())));
        return ExitFailed;
    }
    printLine(wavPath);
    return ExitOk;
}
