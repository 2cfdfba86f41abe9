// A one-hour WAV aligned through the recognition job against the real
// service on 127.0.0.1: the client's peak memory, its own time before the
// upload starts against one md5sum of the WAV, and the progress reports.
// The job runs as the program runs it, on an SrtThread whose progress and
// outcome come to the main thread as queued signals, while the main thread
// turns a Qt event loop with a 10 ms precise timer: the longest lateness of
// its ticks is the longest the GUI would have waited.

#include "ServiceProcess.h"
#include "SpeechFixture.h"

#include "audio/RecognitionJob.h"
#include "shell/SrtThread.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <voxlink.h>

namespace {

constexpr int Seconds = 3600;
constexpr int TickMs = 10;       // the GUI probe's timer interval
constexpr double GuiLimitMs = 50; // the longest the GUI may wait

long peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// The speech clip repeated to an hour, written piece by piece so the bench
// itself never holds the hour; the transcript repeats its lines as often.
bool writeHour(const cw::testing::SpeechFixture &speech, const std::vector<std::string> &sentences,
               const QString &wavPath, const QString &textPath, int *lines)
{
    const quint32 dataBytes = quint32(Seconds) * 32000;
    const QByteArray clip(reinterpret_cast<const char *>(speech.samples.data()), int(speech.samples.size() * 2));
    QFile wav(wavPath);
    QFile text(textPath);
    if (!wav.open(QIODevice::WriteOnly) || !text.open(QIODevice::WriteOnly))
        return false;
    wav.write(cw::testing::wavHeader16k(dataBytes));
    *lines = 0;
    for (quint32 written = 0; written < dataBytes;) {
        const int piece = int(qMin<quint32>(quint32(clip.size()), dataBytes - written));
        wav.write(clip.constData(), piece);
        written += quint32(piece);
        if (piece == clip.size()) {
            for (const std::string &line : sentences)
                text.write(QByteArray::fromStdString(line) + "\r\n");
            *lines += int(sentences.size());
        }
    }
    return wav.error() == QFile::NoError && text.error() == QFile::NoError;
}

// The command-line tool doing the same job, as a child of its own: its
// peak memory as the kernel counted it. -1 when it failed.
long cliPeakMegabytes(const QStringList &arguments, int port)
{
    QVector<QByteArray> args{QByteArray(CUEWRIGHT_CLI_PATH)};
    for (const QString &argument : arguments)
        args.append(QFile::encodeName(argument));
    QVector<char *> argv;
    for (QByteArray &arg : args)
        argv.append(arg.data());
    argv.append(nullptr);
    QVector<QByteArray> env{"CUEWRIGHT_SERVICE_HOST=127.0.0.1", "CUEWRIGHT_SERVICE_PORT=" + QByteArray::number(port),
                            "CUEWRIGHT_USER=bench", "CUEWRIGHT_PASSWORD=pw",
                            "TMPDIR=" + QFile::encodeName(QDir::tempPath())};
    QVector<char *> envp;
    for (QByteArray &entry : env)
        envp.append(entry.data());
    envp.append(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    rusage usage {};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss / 1024;
}

double md5sumSeconds(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    QProcess md5sum;
    md5sum.start(QStringLiteral("md5sum"), {path});
    md5sum.waitForFinished(-1);
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("speech")));
    QDir().mkpath(dir.filePath(QStringLiteral("data")));

    const auto sentences = cw::testing::standardSentences();
    cw::testing::SpeechFixture speech;
    std::string error;
    if (!cw::testing::synthesizeSpeech(sentences, cw::testing::standardPauses(sentences.size()),
                                       dir.filePath(QStringLiteral("speech")), &speech, &error)) {
        std::fprintf(stderr, "no speech: %s\n", error.c_str());
        return 1;
    }
    const QString wav = dir.filePath(QStringLiteral("hour.wav"));
    const QString text = dir.filePath(QStringLiteral("hour.txt"));
    int lines = 0;
    if (!writeHour(speech, sentences, wav, text, &lines)) {
        std::fprintf(stderr, "cannot write the material\n");
        return 1;
    }
    md5sumSeconds(wav); // into the page cache, as it is for the job
    const double md5 = md5sumSeconds(wav);

    cw::testing::ServiceProcess service(QStringLiteral(CW_SERVICE_BINARY), dir.filePath(QStringLiteral("data")));
    if (!service.addUser(QStringLiteral("bench"), QStringLiteral("pw"), 1000000) || !service.start()) {
        std::fprintf(stderr, "service did not start\n");
        return 1;
    }
    ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(service.port()));
    char *session = nullptr;
    subtitle_login(handle, "bench", "pw", &session);
    subtitle_end(handle);

    RecognitionJobInput input;
    input.mediaPath = wav;
    input.transcriptPath = text;
    input.sessionId = QString::fromLatin1(session ? session : "");
    input.userName = QStringLiteral("bench");
    input.servicePort = unsigned(service.port());
    input.scratchFolder = dir.filePath(QStringLiteral("scratch"));
    std::free(session);

    const long baseline = peakMegabytes();
    QElapsedTimer timer;
    qint64 uploadStartNs = -1;
    qint64 uploadEndNs = -1;
    qint64 serviceStartNs = -1;
    qint64 finishedNs = -1;
    int reports = 0;
    SrtJobOutcome outcome;

    // The GUI probe: every tick's lateness past the interval since the last
    // tick, over the whole job and over the audio upload alone.
    qint64 lastTickNs = -1;
    qint64 longestWaitNs = 0;
    qint64 longestUploadWaitNs = 0;
    qint64 ticks = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(TickMs);
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        const qint64 now = timer.nsecsElapsed();
        ++ticks;
        if (lastTickNs >= 0) {
            const qint64 late = qMax<qint64>(0, now - lastTickNs - qint64(TickMs) * 1000000);
            longestWaitNs = qMax(longestWaitNs, late);
            if (uploadStartNs >= 0 && uploadEndNs < 0)
                longestUploadWaitNs = qMax(longestUploadWaitNs, late);
        }
        lastTickNs = now;
    });

    // Stages are told apart by the label text the signals carry; they are
    // timed when the main thread receives them.
    const QString uploadingText = progressText(JobStage::UploadingAudio);
    const QString generatingText = progressText(JobStage::Generating);
    QPointer<SrtThread> job = new SrtThread(input);
    QObject::connect(job.data(), &SrtThread::signal_noticeProgress, &app, [&](int, int, const QString &label) {
        ++reports;
        const qint64 now = timer.nsecsElapsed();
        if (label == uploadingText) {
            if (uploadStartNs < 0)
                uploadStartNs = now;
        } else if (uploadStartNs >= 0 && uploadEndNs < 0) {
            uploadEndNs = now;
        }
        if (label == generatingText && serviceStartNs < 0)
            serviceStartNs = now;
    });
    QObject::connect(job.data(), &SrtThread::signal_jobFinished, &app, [&](const SrtJobOutcome &finished) {
        finishedNs = timer.nsecsElapsed();
        outcome = finished;
    });
    // The thread deletes itself once finished; the loop ends after that.
    QObject::connect(job.data(), &QThread::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    timer.start();
    tick.start();
    QTimer::singleShot(0, &app, [&job] { job->start(); });
    app.exec();
    tick.stop();
    if (uploadEndNs < 0)
        uploadEndNs = finishedNs;
    const double total = finishedNs / 1e9;
    QElapsedTimer cliTimer;
    cliTimer.start();
    const long cliPeak = cliPeakMegabytes({QStringLiteral("align"), wav, text, dir.filePath(QStringLiteral("hour.srt"))},
                                          service.port());
    const double cliSeconds = cliTimer.nsecsElapsed() / 1e9;
    service.stop();

    const double own = uploadStartNs / 1e9;
    std::printf("one-hour WAV (%u MB), %d transcript lines, aligned on 127.0.0.1\n", quint32(Seconds) * 32000 / 1000000,
                lines);
    std::printf("  job result                 %d (%s), %d entries\n", outcome.code,
                outcome.message.toUtf8().constData(), int(outcome.entries.size()));
    std::printf("  client peak memory         %ld MB (%ld MB before the job; target <= 64)\n", peakMegabytes(),
                baseline);
    std::printf("  md5sum of the WAV          %.2f s\n", md5);
    std::printf("  client time before upload  %.2f s = %.2f x md5sum (target <= 3)\n", own, own / md5);
    std::printf("  upload until service works %.2f s\n", (serviceStartNs - uploadStartNs) / 1e9);
    std::printf("  service work               %.2f s\n", total - serviceStartNs / 1e9);
    std::printf("  progress signals delivered %d (target <= 300)\n", reports);
    std::printf("  GUI longest wait %.1f ms (%.2f of the %.0f ms limit), %.1f ms (%.2f) during the audio upload;"
                " %lld ticks of %d ms\n",
                longestWaitNs / 1e6, longestWaitNs / 1e6 / GuiLimitMs, GuiLimitMs, longestUploadWaitNs / 1e6,
                longestUploadWaitNs / 1e6 / GuiLimitMs, ticks, TickMs);
    std::printf("  cuewright-cli align        peak memory %ld MB, %.2f s in all\n", cliPeak, cliSeconds);
    return outcome.succeeded() ? 0 : 1;
}
