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
    int textEncoding = 0;     // 2: read as the local code page, written back as "GBK"
    bool playerStarted = false;
};

// "GBK" for text that was read as the local code page, else "UTF-8".
QString autoSaveCodecName(int textEncoding);
// Only files whose suffix is exactly "srt" (lower case) are rewritten.
bool isAutoSaveTarget(const QString &subtitleFilePath);

using AutoSaveWriter = std::function<bool(const SubtitleEntries &, const QString &path, const QString &codecName)>;

// One autosave pass: writes a snapshot of `list` (taken under its lock) to
// the target's SRT file. Nothing is written, and false returned, when the
// target is not an SRT file, playback has not started or the list is empty
// (a list emptied meanwhile must never blank the user's file).
bool autoSaveOnce(const SubtitleList &list, const AutoSaveTarget &target, const AutoSaveWriter &writer);

// Rewrites the open SRT file every two minutes while there is something to
// save. Waits on a condition variable, so it burns no processor while idle
// and stops promptly when asked.
class AutoSaveThread : public QThread
{
    Q_OBJECT
public:
    static constexpr int DefaultIntervalMs = 120000;

    explicit AutoSaveThread(SubtitleList &list = currentSubtitleList(), QObject *parent = nullptr);
    // Asks the thread to stop and waits for it.
    ~AutoSaveThread() override;

    // Set true before start(); false asks the thread to stop (it wakes at once).
    void setRunning(bool running);
    bool running() const;
    // setRunning(false), then waits for the thread to end.
    void stop();

    void setTarget(const AutoSaveTarget &target);
    void setSubtitleFile(const QString &path, int textEncoding);
    void setPlayerStarted(bool started);
    // The list changed; lets an idle thread notice at once.
    void notifyListChanged();

    // Tests shorten these; the writer defaults to the SRT writer.
    void setIntervalMs(int intervalMs);
    void setIdleCheckMs(int idleCheckMs);
    void setWriter(AutoSaveWriter writer);

signals:
    void signal_autoSaved(const QString &path, bool written);

protected:
    void run() override;

private:
    bool hasSomethingToSave(QMutexLocker &locker) const; // locker holds m_mutex
    void waitForWrite();             // call with m_mutex held

    SubtitleList &m_list;
    mutable QMutex m_mutex;
    QWaitCondition m_wake;
    bool m_running = false;
    AutoSaveTarget m_target;
    int m_intervalMs = DefaultIntervalMs;
    int m_idleCheckMs = 500;
    AutoSaveWriter m_writer;
};
