#include "CliCommands.h"
#include "CliOutput.h"

#include "audio/WavFile.h"

int runWavInfoCommand(const QStringList &arguments)
{
    if (arguments.size() != 1) {
        printErrorLine(QStringLiteral("usage: cuewright-cli wav-info FILE"));
        return ExitUsage;
    }
    WavFile wav;
    if (!wav.Load(arguments[0])) {
        printErrorLine(QStringLiteral("%1: %2").arg(arguments[0], wavLoadErrorText(wav.error())));
        return ExitFailed;
    }
    const WavHead &head = wav.head();
    printLine(QStringLiteral("channels=%1 rate=%2 bits=%3 offset=%4 size=%5")
                  .arg(head.channels)
                  .arg(head.sampleRate)
                  .arg(head.bitsPerSample)
                  .arg(wav.dataOffset())
                  .arg(wav.dataSize()));
    return ExitOk;
}
