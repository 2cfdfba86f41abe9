#pragma once

#include "audio/RecognitionJob.h"

#include <QMetaType>
#include <QThread>
#include <atomic>

// What a finished job hands to the GUI thread, as a copy.
struct SrtJobOutcome
{
    int code = JobDataFormatError;
    QString message;
    SubtitleEntries entries; // the result; only on success
    QString wavPath;

    bool succeeded() const { return code == JobSucceeded; }
};
Q_DECLARE_METATYPE(SrtJobOutcome)

// Runs one recognition or alignment job. Its inputs are copied in before
// the start and it never reads or writes the program's state: progress and
// the outcome reach the GUI thread through queued signals of this object.
// The thread object deletes itself when its run ends, and is never
// destroyed while it runs (see abandon()).
class SrtThread : public QThread
{
    Q_OBJECT
public:
    explicit SrtThread(const RecognitionJobInput &input, QObject *parent = nullptr);

    const RecognitionJobInput &input() const { return m_input; }

    // The program no longer wants this job (its panel goes, or the program
    // closes): a conversion still running stops, nothing more is emitted, and
    // the object leaves its parent so that deleting the parent cannot
    // destroy a running thread. GUI thread only.
    void abandon();
    bool isAbandoned() const { return m_abandoned.load(); }

    // Abandoned jobs whose run has not ended yet, process-wide.
    static int abandonedJobsRunning();
    // Makes the process leave at exit without static destruction while an
    // abandoned job still runs: the library call may still be blocked on
    // the service, and tearing Qt down under it is not safe. Ending the
    // process closes the connection, so the service gives back the held
    // seconds. A job abandoned during its conversion is waited for briefly,
    // so that its ffmpeg is stopped rather than orphaned. Once per process;
    // for the close-during-a-job path.
    static void leaveAtExitWithoutWaitingForJobs();

    // The label text for a report: the stage's text, with the percentage
    // while the media is converted.
    static QString progressLabelText(const ProgressReport &report);

    // Tests: the worker waits this long before handing its outcome over,
    // as a slow parse would.
    static void setHandOverDelayForTests(int milliseconds);

signals:
    void signal_noticeProgress(int pos, int total, QString strText);
    void signal_noticeError(QString str);
    // The run's last act, success or failure.
    void signal_jobFinished(SrtJobOutcome outcome);

protected:
    void run() override;

private:
    void markRunEnded();

    const RecognitionJobInput m_input;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_abandoned{false};
    std::atomic<bool> m_withService{false}; // the upload has begun: cancelling no longer stops it
    // Guarded by the registry's lock.
    bool m_countedAbandoned = false;
    bool m_countedPreparing = false;
    bool m_runEnded = false;
};
