#pragma once

#include <QStringList>

// Each takes the arguments after the command name and returns the exit code.
int runConvertCommand(const QStringList &arguments);
int runPrepareWavCommand(const QStringList &arguments);
int runWavInfoCommand(const QStringList &arguments);
int runShiftCommand(const QStringList &arguments);
int runFixOverlapsCommand(const QStringList &arguments);
int runCheckCommand(const QStringList &arguments);
