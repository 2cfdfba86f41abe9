#include "CliCommands.h"
#include "CliCredentials.h"
#include "CliOutput.h"
#include "CliProgress.h"
#include "CliServiceSession.h"
#include "CliSubtitleFiles.h"

#include "audio/RecognitionJob.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>
#include <voxlink.h>

namespace {

enum class JobKind { Alignment, Recognition };

struct JobCommand
{
    JobKind kind = JobKind::Alignment;
    QString media;
    QString transcript; // alignment only
    SubtitleOutput output;
    bool quiet = false;
};

QString describe(int code, const QString &message)
{
    return QStringLiteral("%1 (code %2)").arg(message).arg(code);
}

bool parseJobCommand(JobKind kind, const QStringList &arguments, JobCommand &command, CliArguments &parsed,
                     QString &problem)
{
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--password") || argument.startsWith(QLatin1String("--password="))) {
            problem = QStringLiteral("a password is never taken as an argument: set CUEWRIGHT_PASSWORD or use "
                                     "--password-stdin");
            return false;
        }
    }
    if (!parseCliArguments(arguments, {QStringLiteral("user"), QStringLiteral("encoding")},
                           {QStringLiteral("password-stdin"), QStringLiteral("quiet")}, parsed, problem))
        return false;
    const int needed = kind == JobKind::Alignment ? 3 : 2;
    if (parsed.positional.size() != needed) {
        problem = kind == JobKind::Alignment ? QStringLiteral("align needs MEDIA, TRANSCRIPT and OUT")
                                             : QStringLiteral("recognize needs MEDIA and OUT");
        return false;
    }
    command.kind = kind;
    command.media = parsed.positional.first();
    if (kind == JobKind::Alignment)
        command.transcript = parsed.positional[1];
    command.quiet = parsed.has(QStringLiteral("quiet"));
    command.output.encoding = QStringLiteral("UTF-8");
    return parseSubtitleOutput(parsed.positional.last(), parsed, command.output, problem);
}

// Everything that can be told before logging in (and paying).
bool checkInputs(const JobCommand &command, QString &problem)
{
    const QFileInfo media(command.media);
    if (!media.isFile() || !media.isReadable()) {
        problem = QStringLiteral("%1: no such readable file").arg(command.media);
        return false;
    }
    if (command.kind == JobKind::Alignment) {
        const QFileInfo transcript(command.transcript);
        if (!transcript.isFile() || !transcript.isReadable()) {
            problem = QStringLiteral("%1: no such readable file").arg(command.transcript);
            return false;
        }
        if (transcript.size() == 0) {
            problem = QStringLiteral("%1: the transcript is empty").arg(command.transcript);
            return false;
        }
    }
    const QFileInfo folder(QFileInfo(command.output.path).absolutePath());
    if (!folder.isDir() || !folder.isWritable()) {
        problem = QStringLiteral("%1: the folder does not exist or cannot be written").arg(folder.filePath());
        return false;
    }
    return true;
}

int exitCodeForJob(int code)
{
    switch (code) {
    case 74: return ExitBalance;
    case JobConversionFailed: return ExitMedia;
    case JobInputMissing: return ExitUsage;
    default: return ExitFailed;
    }
}

void writeError(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

RecognitionJobResult runWithProgress(const RecognitionJobInput &input, bool quiet)
{
    CliProgressPrinter printer(isatty(STDERR_FILENO) != 0);
    JobProgressCallback progress;
    if (!quiet)
        progress = [&printer](const ProgressReport &report) { writeError(printer.textFor(report)); };
    RecognitionJobResult result = runRecognitionJob(input, progress);
    writeError(printer.finish());
    return result;
}

int runJobCommand(JobKind kind, const QStringList &arguments)
{
    JobCommand command;
    CliArguments parsed;
    QString problem;
    if (!parseJobCommand(kind, arguments, command, parsed, problem) || !checkInputs(command, problem)) {
        printErrorLine(problem);
        return ExitUsage;
    }
    CliCredentials credentials;
    if (!readCliCredentials(parsed, credentials, problem)) {
        printErrorLine(problem);
        return ExitCredentials;
    }

    const ServiceAddress address = serviceAddressFromEnvironment();
    const CliLogin login = logInToService(address, credentials);
    credentials.password.fill('\0');
    if (!login.ok()) {
        printErrorLine(QStringLiteral("cannot log in as %1: %2")
                           .arg(credentials.userName, describe(login.code, login.message)));
        return login.refused() ? ExitCredentials : ExitFailed;
    }

    // The converted WAV and the job's own files go with the command.
    QTemporaryDir scratch(QDir::temp().filePath(QStringLiteral("cuewright-cli-XXXXXX")));
    RecognitionJobInput input;
    input.mediaPath = command.media;
    input.transcriptPath = command.transcript;
    input.sessionId = login.sessionId;
    input.userName = credentials.userName;
    input.serviceHost = address.host;
    input.servicePort = address.port;
    input.scratchFolder = scratch.path();
    RecognitionJobResult result;
    if (scratch.isValid()) {
        result = runWithProgress(input, command.quiet);
    } else {
        result.code = JobScratchUnusable;
        result.message = QStringLiteral("无法使用临时文件夹：%1").arg(QDir::tempPath());
    }
    logOutOfService(address, login.sessionId);

    for (const QString &warning : result.warnings)
        printErrorLine(QStringLiteral("warning: %1").arg(warning));
    if (!result.succeeded()) {
        printErrorLine(describe(result.code, result.message));
        return exitCodeForJob(result.code);
    }
    if (result.entries.isEmpty()) {
        printErrorLine(QStringLiteral("the service returned no subtitles; %1 was not written").arg(command.output.path));
        return ExitFailed;
    }
    const int written = writeSubtitleOutput(result.entries, command.output);
    if (written == ExitOk)
        printLine(QFileInfo(command.output.path).absoluteFilePath());
    return written;
}

} // namespace

int runAlignCommand(const QStringList &arguments)
{
    return runJobCommand(JobKind::Alignment, arguments);
}

int runRecognizeCommand(const QStringList &arguments)
{
    return runJobCommand(JobKind::Recognition, arguments);
}
