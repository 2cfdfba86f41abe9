#include "audio/ToolRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>

namespace {

const QString FfmpegName = QStringLiteral("ffmpeg");

int startFailureNumber(const QString &program)
{
    const QFileInfo info(program);
    if (program.isEmpty() || !info.exists())
        return ENOENT;
    if (!info.isExecutable() || info.isDir())
        return EACCES;
    return EIO;
}

void printStartFailure(const QString &commandLine, int number)
{
    std::printf("CreateProcess [%s]failed (%d).\n", commandLine.toLocal8Bit().constData(), number);
    std::fflush(stdout);
}

} // namespace

QString ffmpegProgramPath()
{
    if (QCoreApplication::instance()) {
        const QFileInfo besideProgram(QDir(QCoreApplication::applicationDirPath()).filePath(FfmpegName));
        if (besideProgram.isFile() && besideProgram.isExecutable())
            return besideProgram.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(FfmpegName);
}

QString toolCommandLine(const QString &program, const QStringList &arguments)
{
    QStringList parts{program};
    parts += arguments;
    return parts.join(QLatin1Char(' '));
}

bool runProgram(const QString &program, const QStringList &arguments, const QString &workingDirectory,
                int *exitCode)
{
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        printStartFailure(toolCommandLine(program.isEmpty() ? FfmpegName : program, arguments),
                          startFailureNumber(program));
        return false;
    }

    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1)) {
        printStartFailure(toolCommandLine(program, arguments), startFailureNumber(program));
        return false;
    }
    process.waitForFinished(-1);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return true;
}

bool runToolCommand(const QStringList &arguments, const QString &workingDirectory)
{
    return runProgram(ffmpegProgramPath(), arguments, workingDirectory);
}
