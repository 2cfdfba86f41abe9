#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QElapsedTimer>
#include <QTimer>

// How a burn ended.
enum class BurnOutcome { Succeeded, Failed, Stopped };

// Runs one ffmpeg burn at a time. ffmpeg writes "<output>.part", which is
// renamed over the output only when it succeeded, so a stopped, failed or
// crashed burn never leaves a half video under the final name. Lives on the
// thread that drives it; everything arrives through that thread's events.
class BurnRunner : public QObject
{
    Q_OBJECT
public:
    explicit BurnRunner(QObject *parent = nullptr);
    ~BurnRunner() override;

    // `arguments` end in the output path (burnArguments()). False, with
    // finished(Failed) already sent, when the input cannot be probed or ffmpeg cannot
    // start; false without a signal when a burn is already running.
    bool start(const QString &id, const QString &inputPath, const QStringList &arguments);
    // Ends the running burn; finished() follows with Stopped.
    void stop();
    bool isRunning() const;
    QString currentId() const { return m_id; }

signals:
    // percent stays below 100 until finished(); remaining and speed are -1
    // until ffmpeg tells them.
    void progress(const QString &id, int percent, double remainingSeconds, double speed);
    void finished(const QString &id, BurnOutcome outcome, const QString &reason);

private:
    void readOutput();
    void processFinished(int exitCode, QProcess::ExitStatus status);
    void announce(int percent, double remaining, double speed);
    void heartbeat();
    void finish(BurnOutcome outcome, const QString &reason);
    QString completeOutput();

    QProcess *m_process = nullptr;
    QString m_id;
    QString m_output;
    qint64 m_totalFrames = 0;
    double m_totalSeconds = 0;
    QString m_recentOutput; // the tail of the console, for a failure's reason
    QString m_pending;      // a report not yet ended by its carriage return
    bool m_stopRequested = false;
    // ffmpeg says nothing while the encoder drains its look-ahead at the
    // end; the last report is repeated, counting down, so the user still
    // sees the burn is alive.
    QTimer m_heartbeat;
    QElapsedTimer m_sinceReport;
    int m_lastPercent = 0;
    double m_lastRemaining = -1;
    double m_lastSpeed = -1;
};
