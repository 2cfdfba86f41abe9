#include "audio/RecognitionJob.h"

#include "audio/AudioExtraction.h"
#include "audio/LibraryPath.h"
#include "audio/ServiceText.h"
#include "audio/ToolRunner.h"
#include "audio/WavProbe.h"
#include "subtitle/SrtReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QVector>
#include <cstdlib>
#include <limits>
#include <memory>
#include <unistd.h>
#include <voxlink.h>

namespace {

// The library's fields for a name (the type) hold 127 bytes.
constexpr int LibraryNameLimit = 127;

// Reports through the caller's callback, dropping repeats.
class JobReporter
{
public:
    explicit JobReporter(const JobProgressCallback &callback)
        : m_callback(callback)
    {
    }

    void report(const ProgressReport &report)
    {
        if (m_callback && m_throttle.accept(report))
            m_callback(report);
    }

    void report(JobStage stage, int percent)
    {
        ProgressReport progress;
        progress.stage = stage;
        progress.first = 100;
        progress.second = percent;
        progress.percent = qBound(0, percent, 100);
        report(progress);
    }

private:
    const JobProgressCallback &m_callback;
    ProgressThrottle m_throttle;
};

// What the library's progress callback finds behind its slot.
struct LibraryProgressContext
{
    JobReporter *reporter = nullptr;
    bool finishedSeen = false;
};

// The library's callback: its "finished" is held back, since it comes
// before the call returns and before the result is read.
int relayLibraryProgress(void **slot)
{
    auto *context = static_cast<LibraryProgressContext *>(slot[1]);
    const ProgressReport report = translateLibraryProgress(static_cast<const char *>(slot[0]));
    if (report.stage == JobStage::Finished)
        context->finishedSeen = true;
    else
        context->reporter->report(report);
    return 0;
}

RecognitionJobResult failure(RecognitionJobResult result, int code, const QString &message)
{
    result.code = code;
    result.message = message;
    result.entries.clear();
    return result;
}

bool cancelled(const std::atomic<bool> *cancel)
{
    return cancel && cancel->load();
}

struct HandleCloser
{
    void operator()(ServiceHandle *handle) const { subtitle_end(handle); }
};

// file_finger's result: a new string, or the path itself when the file
// could not be read (which must not be freed).
class Fingerprint
{
public:
    explicit Fingerprint(const QByteArray &path)
        : m_path(path)
        , m_text(file_finger(m_path.data()))
    {
    }
    ~Fingerprint()
    {
        if (m_text && m_text != m_path.constData())
            std::free(m_text);
    }
    Fingerprint(const Fingerprint &) = delete;
    Fingerprint &operator=(const Fingerprint &) = delete;

    // Null ("unknown" to the service) when the file could not be read.
    const char *text() const { return m_text && m_text != m_path.constData() ? m_text : nullptr; }

private:
    QByteArray m_path;
    char *m_text;
};

// Aliases have GBK names that QDir cannot spell, so the job folder could
// not remove them: they are unlinked by their bytes first.
class AliasFiles
{
public:
    AliasFiles() = default;
    AliasFiles(const AliasFiles &) = delete;
    AliasFiles &operator=(const AliasFiles &) = delete;
    ~AliasFiles()
    {
        for (const QByteArray &path : m_paths)
            ::unlink(path.constData());
    }
    // Keeps `libraryPath` for removal when it is not the file's own path.
    void keep(const QString &ownPath, const QByteArray &libraryPath)
    {
        if (libraryPath != QFile::encodeName(QFileInfo(ownPath).absoluteFilePath()))
            m_paths.append(libraryPath);
    }

private:
    QVector<QByteArray> m_paths;
};

QString defaultScratchFolder()
{
    return QDir::temp().filePath(QStringLiteral("Cuewright"));
}

QString conversionFailureMessage(const QString &mediaPath)
{
    if (ffmpegProgramPath().isEmpty())
        return QStringLiteral("音频提取失败：找不到 ffmpeg");
    return QStringLiteral("音频提取失败：%1").arg(QFileInfo(mediaPath).fileName());
}

void warnAboutLostCharacters(RecognitionJobResult &result, const QString &what, const QString &lost)
{
    if (!lost.isEmpty())
        result.warnings
            << QStringLiteral("%1: characters the service cannot read were sent as \"?\": %2").arg(what, lost);
}

} // namespace

bool isLibrarySuccessCode(int code)
{
    switch (code) {
    case 20: case 26: case 30: case 34: case 38: case 42: case 46: case 50: case 54: case 58: return true;
    default: return false;
    }
}

QString jobCodeMessage(int code)
{
    switch (code) {
    case JobSucceeded: return serviceCodec()->toUnicode(subtitle_strerror(58));
    case JobDataFormatError: return QStringLiteral("数据格式错误！");
    case JobCancelled: return QStringLiteral("任务已取消");
    case JobConversionFailed: return QStringLiteral("音频提取失败");
    case JobInputMissing: return QStringLiteral("找不到文件");
    case JobScratchUnusable: return QStringLiteral("无法使用临时文件夹");
    default: return serviceCodec()->toUnicode(subtitle_strerror(code));
    }
}

SubtitleEntries readRecognitionResult(const QByteArray &text)
{
    SubtitleEntries entries;
    readSrtText(text, entries, true);
    return entries;
}

RecognitionJobResult runRecognitionJob(const RecognitionJobInput &input, const JobProgressCallback &progress,
                                       const std::atomic<bool> *cancel)
{
    RecognitionJobResult result;
    JobReporter reporter(progress);
    const bool alignment = !input.transcriptPath.isEmpty();

    if (!QFileInfo(input.mediaPath).isFile())
        return failure(result, JobInputMissing, QStringLiteral("找不到媒体文件：%1").arg(input.mediaPath));
    if (alignment && !QFileInfo(input.transcriptPath).isFile())
        return failure(result, JobInputMissing, QStringLiteral("找不到文本文件：%1").arg(input.transcriptPath));

    const QString scratch = input.scratchFolder.isEmpty() ? defaultScratchFolder() : input.scratchFolder;
    QDir().mkpath(scratch);
    // Aliases and the transcript copy: private to this job, gone after it.
    QTemporaryDir jobFolder(QDir(scratch).filePath(QStringLiteral("job-XXXXXX")));
    if (!jobFolder.isValid())
        return failure(result, JobScratchUnusable, QStringLiteral("无法使用临时文件夹：%1").arg(scratch));
    if (cancelled(cancel))
        return failure(result, JobCancelled, jobCodeMessage(JobCancelled));

    // The service's WAV; its name for the service is the media's name plus ".wav".
    QString wavName = QFileInfo(input.mediaPath).fileName();
    result.wavPath = input.mediaPath;
    if (!isUsableWav(input.mediaPath)) {
        result.wavPath = wavOutputPathFor(input.mediaPath, scratch);
        wavName += QStringLiteral(".wav");
        reporter.report(JobStage::Preparing, 0);
        ConversionControl control;
        control.progress = [&reporter](int percent) { reporter.report(JobStage::Preparing, percent); };
        control.cancel = cancel;
        convertToWav(input.mediaPath, result.wavPath, scratch, control);
        if (cancelled(cancel))
            return failure(result, JobCancelled, jobCodeMessage(JobCancelled));
    }
    // Checked here rather than left to the library, which would only say it
    // could not open a file, after connecting.
    const WavProbe wav = probeWav(result.wavPath);
    if (!isServiceWavFormat(wav))
        return failure(result, JobConversionFailed, conversionFailureMessage(input.mediaPath));

    QString transcript;
    if (alignment) {
        QString lost;
        transcript = transcriptForService(input.transcriptPath, jobFolder.path(), &lost);
        warnAboutLostCharacters(result, input.transcriptPath, lost);
    }

    AliasFiles aliases;
    QByteArray wavArgument;
    QByteArray transcriptArgument;
    QString problem;
    const bool wavReady = libraryPathFor(result.wavPath, wavName, jobFolder.path(), wavArgument, problem);
    if (wavReady)
        aliases.keep(result.wavPath, wavArgument);
    const bool transcriptReady = !alignment
                                 || libraryPathFor(transcript, QFileInfo(transcript).fileName(), jobFolder.path(),
                                                   transcriptArgument, problem);
    if (alignment && transcriptReady)
        aliases.keep(transcript, transcriptArgument);
    if (!wavReady || !transcriptReady)
        return failure(result, JobScratchUnusable, QStringLiteral("无法使用临时文件夹：%1").arg(problem));
    if (cancelled(cancel))
        return failure(result, JobCancelled, jobCodeMessage(JobCancelled));

    const QString mediaName = fileNameOfPath(input.mediaPath);
    warnAboutLostCharacters(result, mediaName, charactersLostForService(mediaName));
    const QByteArray type = serviceName(mediaName, LibraryNameLimit);
    const Fingerprint sourceFinger(QFile::encodeName(QFileInfo(input.mediaPath).absoluteFilePath()));
    const QByteArray userName = toServiceText(input.userName);
    const QByteArray session = input.sessionId.toLatin1();
    const QByteArray host = input.serviceHost.toUtf8();

    LibraryProgressContext context;
    context.reporter = &reporter;
    void *slot[2] = {nullptr, &context};
    TranscriptionInfo info{};
    info.duration = serviceWavSeconds(wav);
    info.type = type.constData();
    info.size = quint32(qMin<qint64>(QFileInfo(input.mediaPath).size(), std::numeric_limits<quint32>::max()));
    info.source_finger = sourceFinger.text();
    info.progress_slot = slot;
    info.progress = relayLibraryProgress;

    std::unique_ptr<ServiceHandle, HandleCloser> handle(subtitle_start(host.constData(), input.servicePort));
    if (!handle)
        return failure(result, JobDataFormatError, jobCodeMessage(JobDataFormatError));
    // The library leaves success codes in errnum and sets nothing for some
    // failures: a number left from earlier must not pass as this job's.
    errnum = 0;
    char *reply = nullptr;
    const int rc = subtitle_audio(handle.get(), userName.constData(), session.constData(), wavArgument.constData(),
                                  alignment ? transcriptArgument.constData() : nullptr, &info, &reply);
    if (rc != 0) {
        const int code = errnum == 0 || isLibrarySuccessCode(errnum) ? int(JobDataFormatError) : errnum;
        return failure(result, code, jobCodeMessage(code));
    }
    const QByteArray text(reply ? reply : "");
    handle.reset();

    // Complete only with the library's own finished report, a successful
    // return and the result read.
    if (!context.finishedSeen)
        return failure(result, JobDataFormatError, jobCodeMessage(JobDataFormatError));
    result.entries = readRecognitionResult(text);
    result.code = JobSucceeded;
    result.message = jobCodeMessage(JobSucceeded);
    ProgressReport finished;
    finished.stage = JobStage::Finished;
    finished.first = 1;
    finished.second = 1;
    finished.percent = 100;
    reporter.report(finished);
    return result;
}
