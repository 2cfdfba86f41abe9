#pragma once

#include "audio/RecognitionJob.h"

#include <QMetaType>
#include <QThread>
#include <atomic>

// What one batch alignment needs, copied in before the start.
struct BatchJobInput
{
    quint64 key = 0; // the task's key in the queue
    RecognitionJobInput job;
    QString srtPath;     // "<media>.srt"
    QString projectPath; // "<media>.cwpro"
    double timeScale = 1.0;
};

// What it hands back to the GUI thread.
struct BatchJobOutcome
{
    quint64 key = 0;
    bool succeeded = false;
    QString reason; // the job's message on failure
    bool srtWritten = false;
    QString projectPath; // empty when no project file was written
    QString mediaPath;
};
Q_DECLARE_METATYPE(BatchJobOutcome)

// Runs one task of the queue: the recognition job, then the UTF-8 SRT and
// the project file next to the media. It reads and writes nothing of the
// program's state; the queue and the project list change on the GUI thread
// from its queued signals. It deletes itself when the run has ended and is
// never destroyed while it runs (abandon()).
class BatchThread : public QThread
{
    Q_OBJECT
public:
    explicit BatchThread(const BatchJobInput &input, QObject *parent = nullptr);

    const BatchJobInput &input() const { return m_input; }

    // The program leaves: nothing more is emitted, the thread leaves its
    // parent, and should it still run at exit the process ends without
    // tearing down under it. GUI thread.
    void abandon();
    static int abandonedRunning();

signals:
    void signal_noticeBatchProgress(quint64 key, int pos, int total, QString strText);
    // The run's last act.
    void signal_jobFinished(BatchJobOutcome outcome);

protected:
    void run() override;

private:
    const BatchJobInput m_input;
    std::atomic<bool> m_abandoned{false};
    std::atomic<bool> m_countedAbandoned{false};
    std::atomic<bool> m_cancel{false};
};

// The project file of a finished task: the media, the WAV the job used, the
// SRT written beside it, the zoom and the subtitles.
struct _ProjectSetting;
_ProjectSetting batchProjectSetting(const BatchJobInput &input, const RecognitionJobResult &result);
