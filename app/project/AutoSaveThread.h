#pragma once

#include "subtitle/SubtitleList.h"

#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>
#include <functional>

// What the autosave needs to know about the open project. The GUI thread
// hands it over whenever it changes, so the worker never reads GUI state.
struct AutoSaveTarget
{
    QString subtitleFilePath; // the file the subtitles were opened from
    int textEncoding = 0;     // 2: read as the local code page, written back as it was read
    bool playerStarted = false;
};

// The local form (bytes written as read) for text read as the local code
// page, else "UTF-8".
QString autoSaveCodecName(int textEncoding);
// Only files whose suffix is exactly "srt" (lower case) are rewritten.
bool isAutoSaveTarget(const QString &subtitleFilePath);

// Where one pass writes; an empty path means nowhere.
struct AutoSaveDestination
{
    QString path;
    QString codecName;

    bool isValid() const { return !path.isEmpty(); }
};

// The open SRT file once playback has started; work without an SRT file of
// its own goes to the recovery copy (UTF-8) instead, if there is one.
AutoSaveDestination autoSaveDestination(const AutoSaveTarget &target, const QString &recoveryPath);

using AutoSaveWriter = std::function<bool(const SubtitleEntries &, const QString &path, const QString &codecName)>;

// One autosave write. Nothing is written, and false returned, when there is
// no destination or the list is empty (a list emptied meanwhile must never
// blank the user's file).
bool autoSaveOnce(const SubtitleEntries &entries, const AutoSaveDestination &destination,
                  const AutoSaveWriter &writer);

// Rewrites the open SRT file (or the recovery copy) two minutes after the
// list changed, and only then: it sleeps until the list's changed() signal,
// a new target or a stop request wakes it. A file that was opened and never
// edited is never rewritten.
class AutoSaveThread : public QThread
{
    Q_OBJECT
public:
    static constexpr int DefaultIntervalMs = 120000;

    explicit AutoSaveThread(SubtitleList &list, QObject *parent = nullptr);
    // Asks the thread to stop and waits for it.
    ~AutoSaveThread() override;

    // Set true before start(); false asks the thread to stop (it wakes at once).
    void setRunning(bool running);
    bool running() const;
    // setRunning(false), then waits for the thread to end.
    void stop();

    // A new target: the list as it stands counts as saved there. To open a
    // file: clear the target, replace the list, then set the new target.
    void setTarget(const AutoSaveTarget &target);
    void setSubtitleFile(const QString &path, int textEncoding);
    void setPlayerStarted(bool started);
    // The list holds work that is on no disk yet (a job's fresh result):
    // the next pass writes it although it did not change since the target was set.
    void markListUnsaved();
    // Where work without an SRT file of its own is kept (RecoverySession::copyPath()).
    void setRecoveryPath(const QString &path);
    // Kept for callers from before the list announced its changes; wakes the thread.
    void notifyListChanged();

    // Tests shorten this; the writer defaults to the SRT writer.
    void setIntervalMs(int intervalMs);
    void setWriter(AutoSaveWriter writer);

signals:
    void signal_autoSaved(const QString &path, bool written);

protected:
    void run() override;

private:
    void wake(); // call with m_mutex held
    bool hasUnsavedChange(QMutexLocker &locker) const; // locker holds m_mutex
    void waitForWrite();                                // call with m_mutex held
    void writeOnce(QMutexLocker &locker);               // locker holds m_mutex

    SubtitleList &m_list;
    QMetaObject::Connection m_listConnection;
    mutable QMutex m_mutex;
    QWaitCondition m_wake;
    quint64 m_wakeups = 0;
    bool m_running = false;
    AutoSaveTarget m_target;
    QString m_recoveryPath;
    quint64 m_targetGeneration = 0;
    quint64 m_savedVersion = 0;
    bool m_unsaved = false;
    int m_intervalMs = DefaultIntervalMs;
    AutoSaveWriter m_writer;
};
