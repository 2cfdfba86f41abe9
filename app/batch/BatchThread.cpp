#include "batch/BatchThread.h"

#include "audio/JobProgress.h"
#include "project/ProjectSetting.h"
#include "project/XmlOperate.h"
#include "subtitle/SrtItem.h"
#include "subtitle/SubtitleWriters.h"

#include <QDebug>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace {

std::atomic<int> g_abandonedRunning{0};

void leaveIfStillRunning()
{
    // Tearing Qt down under a thread blocked on the service is not safe;
    // ending the process closes its connection instead.
    if (g_abandonedRunning.load() == 0)
        return;
    std::fflush(nullptr);
    ::_exit(0);
}

// The stage's text; the finished result is still being written.
QString batchProgressText(JobStage stage)
{
    return progressText(stage == JobStage::Finished ? JobStage::Generating : stage);
}

} // namespace

BatchThread::BatchThread(const BatchJobInput &input, QObject *parent)
    : QThread(parent)
    , m_input(input)
{
    static const int registered = qRegisterMetaType<BatchJobOutcome>("BatchJobOutcome");
    Q_UNUSED(registered);
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

_ProjectSetting batchProjectSetting(const BatchJobInput &input, const RecognitionJobResult &result)
{
    _ProjectSetting setting;
    setting.MultimediaFile = input.job.mediaPath;
    setting.WavFilePath = result.wavPath;
    setting.ExportSrtFilePath = input.srtPath;
    setting.TimeScaleValue = input.timeScale;
    setting.SrtListData = entriesToSrtItems(result.entries);
    return setting;
}

void BatchThread::run()
{
    const JobProgressCallback progress = [this](const ProgressReport &report) {
        if (m_abandoned.load())
            return;
        int pos = 0;
        int total = 0;
        progressSignalValues(report, pos, total);
        emit signal_noticeBatchProgress(m_input.key, pos, total, batchProgressText(report.stage));
    };
    const RecognitionJobResult result = runRecognitionJob(m_input.job, progress, &m_cancel);
    for (const QString &warning : result.warnings)
        qDebug().noquote() << warning;

    BatchJobOutcome outcome;
    outcome.key = m_input.key;
    outcome.mediaPath = m_input.job.mediaPath;
    outcome.succeeded = result.succeeded();
    if (!outcome.succeeded) {
        outcome.reason = result.message.isEmpty() ? jobCodeMessage(result.code) : result.message;
    } else {
        outcome.srtWritten = writeSrtFile(result.entries, m_input.srtPath, QStringLiteral("UTF-8"));
        if (XmlOperate().WriteProjectSetting(m_input.projectPath, batchProjectSetting(m_input, result)))
            outcome.projectPath = m_input.projectPath;
        if (!outcome.srtWritten || outcome.projectPath.isEmpty()) {
            // The service has done its part; a file that could not be
            // written is this task's failure all the same.
            outcome.succeeded = false;
            outcome.reason = QStringLiteral("无法写入文件：%1")
                                 .arg(outcome.srtWritten ? m_input.projectPath : m_input.srtPath);
        }
    }
    if (!m_abandoned.load())
        emit signal_jobFinished(outcome);
    if (m_countedAbandoned.exchange(false))
        --g_abandonedRunning;
}

void BatchThread::abandon()
{
    if (m_abandoned.exchange(true))
        return;
    m_cancel = true;
    setParent(nullptr);
    if (isRunning()) {
        static std::once_flag registered;
        std::call_once(registered, [] { std::atexit(leaveIfStillRunning); });
        ++g_abandonedRunning;
        m_countedAbandoned = true;
    } else {
        deleteLater();
    }
}

int BatchThread::abandonedRunning()
{
    return g_abandonedRunning.load();
}
