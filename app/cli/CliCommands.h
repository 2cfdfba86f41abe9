#pragma once

#include <QStringList>

// Each takes the arguments after the command name and returns the exit code.
int runConvertCommand(const QStringList &arguments);
int runPrepareWavCommand(const QStringList &arguments);
int runWavInfoCommand(const QStringList &arguments);
int runShiftCommand(const QStringList &arguments);
int runFixOverlapsCommand(const QStringList &arguments);
int runCheckCommand(const QStringList &arguments);
// Log in, run one job on the service, log out, write OUT.
int runAlignCommand(const QStringList &arguments);
int runRecognizeCommand(const QStringList &arguments);
// Burn subtitles into a video with ffmpeg; progress on standard error.
int runBurnCommand(const QStringList &arguments);
