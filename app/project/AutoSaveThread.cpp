#include "project/AutoSaveThread.h"

#include "subtitle/SubtitleWriters.h"

#include <QDeadlineTimer>
#include <QFileInfo>

QString autoSaveCodecName(int textEncoding)
{
    return textEncoding == 2 ? QStringLiteral("GBK") : QStringLiteral("UTF-8");
}

bool isAutoSaveTarget(const QString &subtitleFilePath)
{
    return !subtitleFilePath.isEmpty() && QFileInfo(subtitleFilePath).suffix() == QLatin1String("srt");
}

bool autoSaveOnce(const SubtitleList &list, const AutoSaveTarget &target, const AutoSaveWriter &writer)
{
    if (!target.playerStarted || !isAutoSaveTarget(target.subtitleFilePath))
        return false;
    const SubtitleEntries entries = list.snapshot();
    if (entries.isEmpty())
        return false;
    return writer(entries, target.subtitleFilePath, autoSaveCodecName(target.textEncoding));
}

AutoSaveThread::AutoSaveThread(SubtitleList &list, QObject *parent)
    : QThread(parent), m_list(list), m_writer(writeSrtFile)
{
}

AutoSaveThread::~AutoSaveThread()
{
    stop();
}

void AutoSaveThread::setRunning(bool running)
{
    QMutexLocker locker(&m_mutex);
    m_running = running;
    m_wake.wakeAll();
}

bool AutoSaveThread::running() const
{
    QMutexLocker locker(&m_mutex);
    return m_running;
}

void AutoSaveThread::stop()
{
    setRunning(false);
    wait();
}

void AutoSaveThread::setTarget(const AutoSaveTarget &target)
{
    QMutexLocker locker(&m_mutex);
    m_target = target;
    m_wake.wakeAll();
}

void AutoSaveThread::setSubtitleFile(const QString &path, int textEncoding)
{
    QMutexLocker locker(&m_mutex);
    m_target.subtitleFilePath = path;
    m_target.textEncoding = textEncoding;
    m_wake.wakeAll();
}

void AutoSaveThread::setPlayerStarted(bool started)
{
    QMutexLocker locker(&m_mutex);
    m_target.playerStarted = started;
    m_wake.wakeAll();
}

void AutoSaveThread::notifyListChanged()
{
    QMutexLocker locker(&m_mutex);
    m_wake.wakeAll();
}

void AutoSaveThread::setIntervalMs(int intervalMs)
{
    QMutexLocker locker(&m_mutex);
    m_intervalMs = intervalMs;
}

void AutoSaveThread::setIdleCheckMs(int idleCheckMs)
{
    QMutexLocker locker(&m_mutex);
    m_idleCheckMs = idleCheckMs;
}

void AutoSaveThread::setWriter(AutoSaveWriter writer)
{
    QMutexLocker locker(&m_mutex);
    m_writer = std::move(writer);
}

bool AutoSaveThread::hasSomethingToSave(QMutexLocker &locker) const
{
    if (!m_target.playerStarted)
        return false;
    // The list's lock is never taken under ours: a caller may notify us from
    // inside a list edit.
    locker.unlock();
    const bool listHasEntries = !m_list.isEmpty();
    locker.relock();
    return listHasEntries;
}

void AutoSaveThread::waitForWrite()
{
    // Only a stop request cuts the pause short; other wake-ups resume it.
    QDeadlineTimer deadline(m_intervalMs);
    while (m_running && !deadline.hasExpired())
        m_wake.wait(&m_mutex, deadline);
}

void AutoSaveThread::run()
{
    QMutexLocker locker(&m_mutex);
    while (m_running) {
        if (!hasSomethingToSave(locker)) {
            if (!m_running)
                break;
            // The list has no change signal of its own, so re-check now and
            // then as well as on every wake-up.
            m_wake.wait(&m_mutex, QDeadlineTimer(m_idleCheckMs));
            continue;
        }
        waitForWrite();
        if (!m_running)
            break;

        // The state at the moment of writing is what counts.
        const AutoSaveTarget target = m_target;
        const AutoSaveWriter writer = m_writer;
        locker.unlock();
        const bool written = autoSaveOnce(m_list, target, writer);
        if (isAutoSaveTarget(target.subtitleFilePath))
            emit signal_autoSaved(target.subtitleFilePath, written);
        locker.relock();
    }
}
