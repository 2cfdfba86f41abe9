#include "project/AutoSaveThread.h"

#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleWriters.h"

#include <QDeadlineTimer>
#include <QFileInfo>

QString autoSaveCodecName(int textEncoding)
{
    return textEncoding == 2 ? localCodecName() : QStringLiteral("UTF-8");
}

bool isAutoSaveTarget(const QString &subtitleFilePath)
{
    return !subtitleFilePath.isEmpty() && QFileInfo(subtitleFilePath).suffix() == QLatin1String("srt");
}

AutoSaveDestination autoSaveDestination(const AutoSaveTarget &target, const QString &recoveryPath)
{
    if (isAutoSaveTarget(target.subtitleFilePath)) {
        if (!target.playerStarted)
            return {};
        return {target.subtitleFilePath, autoSaveCodecName(target.textEncoding)};
    }
    if (recoveryPath.isEmpty())
        return {};
    return {recoveryPath, QStringLiteral("UTF-8")};
}

bool autoSaveOnce(const SubtitleEntries &entries, const AutoSaveDestination &destination,
                  const AutoSaveWriter &writer)
{
    if (!destination.isValid() || entries.isEmpty())
        return false;
    return writer(entries, destination.path, destination.codecName);
}

AutoSaveThread::AutoSaveThread(SubtitleList &list, QObject *parent)
    : QThread(parent), m_list(list), m_writer(writeSrtFile)
{
    // Runs on the thread that changed the list, after the list's lock is released.
    m_listConnection = connect(
        &m_list, &SubtitleList::changed, this,
        [this] {
            QMutexLocker locker(&m_mutex);
            wake();
        },
        Qt::DirectConnection);
}

AutoSaveThread::~AutoSaveThread()
{
    disconnect(m_listConnection);
    stop();
}

void AutoSaveThread::setRunning(bool running)
{
    QMutexLocker locker(&m_mutex);
    m_running = running;
    wake();
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
    const quint64 version = m_list.version(); // never under our lock, see hasUnsavedChange()
    QMutexLocker locker(&m_mutex);
    m_target = target;
    ++m_targetGeneration;
    m_savedVersion = version;
    m_unsaved = false;
    wake();
}

void AutoSaveThread::setSubtitleFile(const QString &path, int textEncoding)
{
    AutoSaveTarget target;
    {
        QMutexLocker locker(&m_mutex);
        target = m_target;
    }
    target.subtitleFilePath = path;
    target.textEncoding = textEncoding;
    setTarget(target);
}

void AutoSaveThread::setPlayerStarted(bool started)
{
    QMutexLocker locker(&m_mutex);
    m_target.playerStarted = started;
    wake();
}

void AutoSaveThread::markListUnsaved()
{
    QMutexLocker locker(&m_mutex);
    m_unsaved = true;
    wake();
}

void AutoSaveThread::setRecoveryPath(const QString &path)
{
    QMutexLocker locker(&m_mutex);
    m_recoveryPath = path;
    wake();
}

void AutoSaveThread::notifyListChanged()
{
    QMutexLocker locker(&m_mutex);
    wake();
}

void AutoSaveThread::setIntervalMs(int intervalMs)
{
    QMutexLocker locker(&m_mutex);
    m_intervalMs = intervalMs;
}

void AutoSaveThread::setWriter(AutoSaveWriter writer)
{
    QMutexLocker locker(&m_mutex);
    m_writer = std::move(writer);
}

void AutoSaveThread::wake()
{
    ++m_wakeups;
    m_wake.wakeAll();
}

bool AutoSaveThread::hasUnsavedChange(QMutexLocker &locker) const
{
    if (!autoSaveDestination(m_target, m_recoveryPath).isValid())
        return false;
    const quint64 savedVersion = m_savedVersion;
    const bool unsaved = m_unsaved;
    // The list's lock is never taken under ours: a caller may notify us from
    // inside a list edit.
    locker.unlock();
    const quint64 version = m_list.version();
    const bool listHasEntries = !m_list.isEmpty();
    locker.relock();
    return listHasEntries && (unsaved || version != savedVersion);
}

void AutoSaveThread::waitForWrite()
{
    // Only a stop request cuts the pause short; other wake-ups resume it.
    QDeadlineTimer deadline(m_intervalMs);
    while (m_running && !deadline.hasExpired())
        m_wake.wait(&m_mutex, deadline);
}

void AutoSaveThread::writeOnce(QMutexLocker &locker)
{
    // The state at the moment of writing is what counts.
    const AutoSaveDestination destination = autoSaveDestination(m_target, m_recoveryPath);
    const quint64 generation = m_targetGeneration;
    const quint64 savedVersion = m_savedVersion;
    const bool unsaved = m_unsaved;
    const AutoSaveWriter writer = m_writer;
    locker.unlock();

    quint64 version = 0;
    const SubtitleEntries entries = m_list.snapshot(&version);
    // A file being opened clears the target before it replaces the list: a
    // target changed since the destination was read means this snapshot
    // may already be the new file's list, which must not reach the old file.
    locker.relock();
    const bool targetKept = generation == m_targetGeneration;
    locker.unlock();
    const bool due = targetKept && destination.isValid() && !entries.isEmpty() && (unsaved || version != savedVersion);
    const bool written = due && autoSaveOnce(entries, destination, writer);
    if (due)
        emit signal_autoSaved(destination.path, written);

    locker.relock();
    // A target set meanwhile counts its own list as saved; leave that alone.
    if (written && generation == m_targetGeneration) {
        m_savedVersion = version;
        m_unsaved = false;
    }
}

void AutoSaveThread::run()
{
    QMutexLocker locker(&m_mutex);
    while (m_running) {
        const quint64 wakeups = m_wakeups;
        if (!hasUnsavedChange(locker)) {
            // A wake-up that came while the list was being read is not lost.
            if (m_running && m_wakeups == wakeups)
                m_wake.wait(&m_mutex);
            continue;
        }
        waitForWrite();
        if (!m_running)
            break;
        writeOnce(locker);
    }
}
