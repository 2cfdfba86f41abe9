#include "project/AutoSaveThread.h"

#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleFileOpener.h"
#include "subtitle/SubtitleWriters.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>

namespace {

SubtitleEntry entry(const QByteArray &text, int second)
{
    SubtitleEntry e;
    e.startTime.seconds = qint16(second);
    e.endTime.seconds = qint16(second + 1);
    e.text = text;
    return e;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Waits up to `ms` for `done`, checking now and then.
template <typename Done>
bool eventually(Done done, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QThread::msleep(2);
    }
    return true;
}

// Counts the writes and remembers the last one.
struct RecordingWriter
{
    std::mutex mutex;
    int writes = 0;
    QString path;
    QString codec;
    SubtitleEntries entries;

    AutoSaveWriter writer()
    {
        return [this](const SubtitleEntries &e, const QString &p, const QString &c) {
            std::lock_guard<std::mutex> lock(mutex);
            ++writes;
            path = p;
            codec = c;
            entries = e;
            return true;
        };
    }
    int count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return writes;
    }
};

} // namespace

TEST(AutoSaveTest, DestinationIsTheSrtFileOrElseTheRecoveryCopy)
{
    const struct
    {
        const char *path;
        bool playerStarted;
        int encoding;
        const char *recovery;
        const char *expectedPath; // "": nothing written
        const char *codec;
    } cases[] = {
        {"/s/a.srt", true, 2, "/r.srt", "/s/a.srt", "GB18030"}, // written back as read
        {"/s/a.srt", true, 1, "/r.srt", "/s/a.srt", "UTF-8"},
        {"/s/a.srt", true, 0, "", "/s/a.srt", "UTF-8"},
        {"/s/a.srt", false, 2, "/r.srt", "", ""}, // playback not started yet
        {"/s/a.SRT", true, 2, "/r.srt", "/r.srt", "UTF-8"},
        {"/s/a.txt", false, 2, "/r.srt", "/r.srt", "UTF-8"},
        {"", false, 0, "/r.srt", "/r.srt", "UTF-8"}, // a job's result or a project
        {"", true, 0, "", "", ""},
    };
    for (const auto &c : cases) {
        const AutoSaveDestination d = autoSaveDestination(AutoSaveTarget{c.path, c.encoding, c.playerStarted}, c.recovery);
        EXPECT_EQ(d.path, QString(c.expectedPath)) << c.path;
        EXPECT_EQ(d.codecName, QString(c.codec)) << c.path;
    }
    RecordingWriter recorder;
    EXPECT_FALSE(autoSaveOnce({}, {"/s/a.srt", "UTF-8"}, recorder.writer()));
    EXPECT_FALSE(autoSaveOnce({entry("a", 1)}, {}, recorder.writer()));
    EXPECT_EQ(recorder.count(), 0);
}

// A file that is opened and never edited is never written; an edit is
// written once, after the pause, and not again until the next edit.
TEST(AutoSaveTest, WritesOnlyAfterTheListChanged)
{
    SubtitleList list;
    RecordingWriter recorder;
    AutoSaveThread thread(list);
    thread.setIntervalMs(20);
    thread.setWriter(recorder.writer());
    thread.setRunning(true);
    thread.start();

    // Opening: clear the target, replace the list, set the new target.
    thread.setTarget(AutoSaveTarget());
    list.replaceDocument({entry("opened", 1)});
    thread.setTarget(AutoSaveTarget{"/nowhere/talk.srt", 2, true});
    QThread::msleep(200);
    EXPECT_EQ(recorder.count(), 0);

    list.replace(0, entry("edited", 1)); // no call to the thread: the list's signal wakes it
    ASSERT_TRUE(eventually([&] { return recorder.count() == 1; }));
    QThread::msleep(200);
    EXPECT_EQ(recorder.count(), 1);
    EXPECT_EQ(recorder.path, "/nowhere/talk.srt");
    EXPECT_EQ(recorder.entries.value(0).text, "edited");

    // A fresh job result with no file of its own goes to the recovery copy at once.
    thread.setRecoveryPath("/nowhere/recovery.srt");
    thread.setTarget(AutoSaveTarget());
    list.replaceDocument({entry("result", 1)});
    thread.markListUnsaved();
    ASSERT_TRUE(eventually([&] { return recorder.count() == 2; }));
    EXPECT_EQ(recorder.path, "/nowhere/recovery.srt");
    EXPECT_EQ(recorder.codec, "UTF-8");
    thread.stop();
}

// An autosave used to rewrite a Latin-1 file read "as GBK" through the codec
// and spoil every accented letter, even when nothing had been edited.
TEST(AutoSaveTest, AFileReadAsTheLocalCodePageIsWrittenBackByteForByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("latin1.srt");
    const QByteArray original = "1\r\n00:00:01,000 --> 00:00:02,000\r\ncaf\xE9\r\n\r\n"
                                "2\r\n00:00:03,000 --> 00:00:04,000\r\n\xC4\xE3\xBA\xC3\r\n\r\n";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(original);
    file.close();

    SubtitleList list;
    const SubtitleFileOpenResult opened = openSubtitleFile(path, dir.filePath("scratch"), list);
    ASSERT_EQ(opened.textEncoding, 2);
    std::atomic<int> saved{0};
    AutoSaveThread thread(list);
    thread.setIntervalMs(1);
    QObject::connect(&thread, &AutoSaveThread::signal_autoSaved, [&](const QString &, bool written) { saved += written; });
    thread.setTarget(AutoSaveTarget{opened.workingPath, opened.textEncoding, true});
    thread.setRunning(true);
    thread.start();

    list.replace(1, list.at(1)); // the same value: no change
    QThread::msleep(100);
    EXPECT_EQ(saved.load(), 0);
    SubtitleEntry retimed = list.at(1);
    retimed.endTime.seconds = 5;
    list.replace(1, retimed);
    ASSERT_TRUE(eventually([&] { return saved.load() == 1; }));
    thread.stop();
    EXPECT_EQ(readAll(path), QByteArray(original).replace("00:00:04,000", "00:00:05,000"));
}

// The GUI side replaces the whole list in many small steps under the list's
// lock; every copy the autosave writes must be one whole generation.
TEST(AutoSaveTest, WritesConsistentCopiesWhileTheListIsEdited)
{
    SubtitleList list;
    list.append(entry("g0", 0));
    std::mutex seenMutex;
    int writes = 0, torn = 0;
    AutoSaveThread thread(list);
    thread.setIntervalMs(1);
    thread.setWriter([&](const SubtitleEntries &entries, const QString &, const QString &) {
        bool whole = !entries.isEmpty() && entries.size() == entries.first().text.mid(1).toInt() % 7 + 1;
        for (const SubtitleEntry &e : entries)
            whole = whole && e.text == entries.first().text;
        std::lock_guard<std::mutex> lock(seenMutex);
        ++writes;
        torn += whole ? 0 : 1;
        return true;
    });
    thread.setTarget(AutoSaveTarget{"/nowhere/talk.srt", 2, true});
    thread.setRunning(true);
    thread.start();

    for (int generation = 1;; ++generation) {
        const QByteArray text = "g" + QByteArray::number(generation);
        list.edit([&](SubtitleEntries &entries) {
            entries.clear();
            for (int i = 0; i < generation % 7 + 1; ++i)
                entries.append(entry(text, i));
            thread.notifyListChanged(); // from inside the edit: must not deadlock
        });
        std::lock_guard<std::mutex> lock(seenMutex);
        if (writes >= 200 || generation > 5000000)
            break;
    }
    thread.stop();
    EXPECT_GE(writes, 200);
    EXPECT_EQ(torn, 0);
}

TEST(AutoSaveTest, StopsAtOnceWhetherIdleOrInTheLongPause)
{
    for (const bool edited : {false, true}) {
        SubtitleList list;
        list.append(entry("a", 1));
        RecordingWriter recorder;
        AutoSaveThread thread(list);
        thread.setWriter(recorder.writer());
        thread.setTarget(AutoSaveTarget{"/nowhere/talk.srt", 2, true});
        thread.setRunning(true);
        thread.start();
        if (edited)
            list.append(entry("b", 2)); // enters its two-minute pause
        QThread::msleep(20);
        QElapsedTimer timer;
        timer.start();
        thread.setRunning(false);
        EXPECT_TRUE(thread.wait(30000));
        EXPECT_LT(timer.elapsed(), 5000) << edited;
        EXPECT_EQ(recorder.count(), 0);
    }
}
