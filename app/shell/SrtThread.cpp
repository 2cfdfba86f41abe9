#include "shell/SrtThread.h"

#include <QDebug>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace {

// Abandoned jobs still running; their threads are never waited for by Qt.
struct AbandonedJobs
{
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
    int preparing = 0; // of those, abandoned before their upload began
};

AbandonedJobs &abandonedJobs()
{
    // Never destroyed: workers may still use it while the process ends.
    static AbandonedJobs *const jobs = new AbandonedJobs;
    return *jobs;
}

std::atomic<int> g_handOverDelayMs{0};

// A cancelled conversion stops within moments; a job already with the
// service runs until the service answers, which nobody should wait for.
constexpr auto ConversionStopWait = std::chrono::seconds(3);

void leaveWithoutStaticTeardown()
{
    AbandonedJobs &jobs = abandonedJobs();
    std::unique_lock<std::mutex> lock(jobs.mutex);
    jobs.ended.wait_for(lock, ConversionStopWait, [&jobs] { return jobs.preparing == 0; });
    if (jobs.running == 0)
        return;
    std::fflush(nullptr);
    ::_exit(0);
}

} // namespace

SrtThread::SrtThread(const RecognitionJobInput &input, QObject *parent)
    : QThread(parent)
    , m_input(input)
{
    static const int registered = qRegisterMetaType<SrtJobOutcome>("SrtJobOutcome");
    Q_UNUSED(registered);
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

QString SrtThread::progressLabelText(const ProgressReport &report)
{
    if (report.stage == JobStage::Preparing)
        return QStringLiteral("%1 %2%").arg(progressText(report.stage)).arg(report.percent);
    return progressText(report.stage);
}

void SrtThread::setHandOverDelayForTests(int milliseconds)
{
    g_handOverDelayMs = qMax(0, milliseconds);
}

void SrtThread::run()
{
    const JobProgressCallback progress = [this](const ProgressReport &report) {
        if (report.stage != JobStage::Preparing)
            m_withService = true;
        if (m_abandoned.load())
            return;
        int pos = 0;
        int total = 0;
        progressSignalValues(report, pos, total);
        emit signal_noticeProgress(pos, total, progressLabelText(report));
    };
    const RecognitionJobResult result = runRecognitionJob(m_input, progress, &m_cancel);
    for (const QString &warning : result.warnings)
        qDebug().noquote() << warning;

    SrtJobOutcome outcome;
    outcome.code = result.code;
    outcome.message = result.message.isEmpty() ? jobCodeMessage(result.code) : result.message;
    outcome.entries = result.entries;
    outcome.wavPath = result.wavPath;
    if (const int delay = g_handOverDelayMs.load())
        QThread::msleep(static_cast<unsigned long>(delay));

    if (!m_abandoned.load()) {
        if (!outcome.succeeded())
            emit signal_noticeError(outcome.message);
        emit signal_jobFinished(outcome);
    }
    markRunEnded();
}

void SrtThread::markRunEnded()
{
    AbandonedJobs &jobs = abandonedJobs();
    std::lock_guard<std::mutex> lock(jobs.mutex);
    m_runEnded = true;
    if (m_countedAbandoned)
        --jobs.running;
    if (m_countedPreparing)
        --jobs.preparing;
    jobs.ended.notify_all();
}

void SrtThread::abandon()
{
    if (m_abandoned.exchange(true))
        return;
    m_cancel = true;
    setParent(nullptr);
    {
        AbandonedJobs &jobs = abandonedJobs();
        std::lock_guard<std::mutex> lock(jobs.mutex);
        if (isRunning() && !m_runEnded) {
            m_countedAbandoned = true;
            ++jobs.running;
            m_countedPreparing = !m_withService.load();
            jobs.preparing += m_countedPreparing ? 1 : 0;
        }
    }
    // A thread that never started, or whose finished() has been handled
    // already, would otherwise never be deleted.
    if (!isRunning())
        deleteLater();
}

int SrtThread::abandonedJobsRunning()
{
    AbandonedJobs &jobs = abandonedJobs();
    std::lock_guard<std::mutex> lock(jobs.mutex);
    return jobs.running;
}

void SrtThread::leaveAtExitWithoutWaitingForJobs()
{
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(leaveWithoutStaticTeardown); });
}
