#include "audio/BurnRunner.h"

#include "audio/BurnCommand.h"
#include "audio/FfmpegProgress.h"
#include "audio/MediaProbe.h"
#include "audio/ToolRunner.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int RecentOutputLimit = 8192;
constexpr int HeartbeatMs = 250;

} // namespace

BurnRunner::BurnRunner(QObject *parent)
    : QObject(parent)
{
    m_heartbeat.setInterval(HeartbeatMs);
    connect(&m_heartbeat, &QTimer::timeout, this, &BurnRunner::heartbeat);
}

BurnRunner::~BurnRunner()
{
    if (isRunning()) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(5000);
        QFile::remove(partialOutputPath(m_output));
    }
}

bool BurnRunner::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

bool BurnRunner::start(const QString &id, const QString &inputPath, const QStringList &arguments)
{
    if (isRunning() || arguments.isEmpty())
        return false;
    m_id = id;
    m_output = arguments.last();
    m_recentOutput.clear();
    m_pending.clear();
    m_stopRequested = false;

    const MediaInfo info = probeMedia(inputPath);
    if (!info.opened) {
        finish(BurnOutcome::Failed, QStringLiteral("%1: %2").arg(QFileInfo(inputPath).fileName(), info.error));
        return false;
    }
    m_totalFrames = info.videoFrames;
    m_totalSeconds = info.durationSeconds;

    const QString program = ffmpegProgramPath();
    if (program.isEmpty()) {
        finish(BurnOutcome::Failed, QStringLiteral("ffmpeg not found"));
        return false;
    }
    // A fresh process per run: one that crashed keeps no state into the next.
    delete m_process;
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setStandardInputFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyReadStandardOutput, this, &BurnRunner::readOutput);
    connect(m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &BurnRunner::processFinished);
    QFile::remove(partialOutputPath(m_output));
    m_process->start(program, QStringList{QStringLiteral("-nostdin"), QStringLiteral("-hide_banner")}
                                  + partialOutputArguments(arguments));
    if (!m_process->waitForStarted(-1)) {
        const QString reason = m_process->errorString();
        delete m_process;
        m_process = nullptr;
        finish(BurnOutcome::Failed, reason);
        return false;
    }
    m_lastPercent = 0;
    m_lastRemaining = m_lastSpeed = -1;
    m_sinceReport.start();
    m_heartbeat.start();
    return true;
}

void BurnRunner::stop()
{
    if (!isRunning())
        return;
    m_stopRequested = true;
    m_process->kill();
}

void BurnRunner::readOutput()
{
    const QString text = QString::fromUtf8(m_process->readAll());
    m_recentOutput = (m_recentOutput + text).right(RecentOutputLimit);
    // Reports end in a carriage return; keep a torn one for the next read.
    const QString chunk = m_pending + text;
    const int end = qMax(chunk.lastIndexOf(QLatin1Char('\r')), chunk.lastIndexOf(QLatin1Char('\n')));
    m_pending = chunk.mid(end + 1).right(RecentOutputLimit);
    const FfmpegProgress report = parseFfmpegProgress(chunk.left(end + 1));
    if (!report.isProgressLine())
        return;
    // Time against the duration holds for every container and for "-r";
    // frame counts are missing in most containers.
    int percent = timePercent(report.seconds, m_totalSeconds);
    if (percent < 0)
        percent = framePercent(report.frame, m_totalFrames);
    announce(qMax(0, percent), remainingSeconds(report.seconds, m_totalSeconds, report.speed), report.speed);
}

void BurnRunner::announce(int percent, double remaining, double speed)
{
    m_lastPercent = percent;
    m_lastRemaining = remaining;
    m_lastSpeed = speed;
    m_sinceReport.restart();
    emit progress(m_id, percent, remaining, speed);
}

void BurnRunner::heartbeat()
{
    if (!isRunning() || m_sinceReport.elapsed() < 3 * HeartbeatMs)
        return;
    const double elapsed = m_sinceReport.elapsed() / 1000.0;
    emit progress(m_id, m_lastPercent, m_lastRemaining < 0 ? -1 : qMax(0.0, m_lastRemaining - elapsed),
                  m_lastSpeed);
}

void BurnRunner::processFinished(int exitCode, QProcess::ExitStatus status)
{
    if (m_stopRequested) {
        QFile::remove(partialOutputPath(m_output));
        finish(BurnOutcome::Stopped, QString());
    } else if (status != QProcess::NormalExit) {
        QFile::remove(partialOutputPath(m_output));
        finish(BurnOutcome::Stopped, QStringLiteral("ffmpeg crashed"));
    } else if (exitCode != 0) {
        QFile::remove(partialOutputPath(m_output));
        finish(BurnOutcome::Failed, lastErrorLine(m_recentOutput));
    } else {
        const QString error = completeOutput();
        finish(error.isEmpty() ? BurnOutcome::Succeeded : BurnOutcome::Failed, error);
    }
}

QString BurnRunner::completeOutput()
{
    const QString partial = partialOutputPath(m_output);
    // rename() replaces the old output in one step, as "-y" promised.
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(m_output).constData()) == 0)
        return QString();
    const QString error = QString::fromLocal8Bit(std::strerror(errno));
    QFile::remove(partial);
    return QStringLiteral("%1: %2").arg(QFileInfo(m_output).fileName(), error);
}

void BurnRunner::finish(BurnOutcome outcome, const QString &reason)
{
    m_heartbeat.stop();
    if (outcome == BurnOutcome::Succeeded)
        emit progress(m_id, 100, 0, -1);
    emit finished(m_id, outcome, reason);
}
