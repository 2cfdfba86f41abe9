#pragma once

#include <QString>
#include <QStringList>

// The ffmpeg to run: the copy next to the program when there is one, else the
// one found on PATH; empty when neither exists.
QString ffmpegProgramPath();

// The command line as one text, for the failure line and diagnostics.
QString toolCommandLine(const QString &program, const QStringList &arguments);

// Runs ffmpeg with these arguments (never through a shell) and waits until it
// has exited. Its console output is discarded and its input is empty, so it
// can neither block on a full pipe nor wait for a key. When it cannot be
// started, prints "CreateProcess [<command line>]failed (<errno>).\n" on
// standard output and returns false; true once it ran, whatever its result.
bool runToolCommand(const QStringList &arguments, const QString &workingDirectory = QString());

// As above with an explicit program; exitCode (optional) receives its exit code.
bool runProgram(const QString &program, const QStringList &arguments, const QString &workingDirectory,
                int *exitCode = nullptr);
