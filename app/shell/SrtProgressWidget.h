#pragma once

#include "shell/SrtThread.h"

#include <QPointer>
#include <QWidget>

class CustomProgressIndicator;
class QLabel;
class QProgressBar;
class QTimer;

// The panel shown over the editor while a job runs or a project loads. It
// runs the job on its own SrtThread and, on the GUI thread, turns the
// job's outcome into the editor's new subtitles.
class SrtProgressWidget : public QWidget
{
    Q_OBJECT
public:
    // The pause between the result's arrival and the switch to the editor.
    static constexpr int CompletionDelayMs = 200;

    explicit SrtProgressWidget(QWidget *parent = nullptr);
    // A job still running is abandoned, never destroyed with its thread.
    ~SrtProgressWidget() override;

    QLabel *label() const { return m_label; }
    QProgressBar *bar() const { return m_bar; }
    CustomProgressIndicator *indicator() const { return m_indicator; }

    // pos * 100 / total in 64 bits (uploads pass 21 MB, where 32 bits
    // overflow), never below 0; a total of 0 or less shows 0.
    static int percentFor(qint64 pos, qint64 total);

    // Empties the label and the bar.
    void clearText();
    // Starts one job with these inputs; false while another is in hand.
    bool startJob(const RecognitionJobInput &input);
    // From the start until its outcome has been handled.
    bool isJobRunning() const { return m_jobActive; }
    // Lets a running job go without waiting for it (see SrtThread::abandon()).
    void abandonJob();

signals:
    // A successful job's subtitles are about to replace the list: whatever
    // file the list was saved to no longer holds them.
    void signal_resultArriving(bool recognition);
    // A successful job's subtitles are in the editor; the panel may go.
    void signal_jobCompleted();
    // What the panel shows after each progress report.
    void signal_progressShown(QString text, int percent);

public slots:
    void slot_noticeProgress(int pos, int total, QString strText);
    void slot_noticeError(QString str);

private slots:
    void slot_jobFinished(SrtJobOutcome outcome);
    void slot_completionDelayPassed();

private:
    QLabel *m_label;
    QProgressBar *m_bar;
    CustomProgressIndicator *m_indicator;
    QTimer *m_completionDelay;
    QPointer<SrtThread> m_thread;
    bool m_jobActive = false;
    bool m_recognition = false;
};
