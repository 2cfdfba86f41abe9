#include "project/AutoSaveThread.h"

#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleWriters.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace {

SubtitleEntry entry(const QByteArray &text, int second)
{
    SubtitleEntry e;
    e.startTime = TimeCode{0, 0, qint16(second), 0};
    e.endTime = TimeCode{0, 0, qint16(second + 1), 0};
    e.text = text;
    return e;
}

TEST(AutoSaveTest, WritesOnlyLowerCaseSrtOnceThereIsSomethingToSave)
{
    struct Case
    {
        const char *path;
        bool playerStarted;
        bool listEmpty;
        int encoding;
        bool written;
        const char *codec;
    };
    const Case cases[] = {
        {"/s/talk.srt", true, false, 2, true, "GBK"},  {"/s/talk.srt", true, false, 1, true, "UTF-8"},
        {"/s/talk.srt", true, false, 0, true, "UTF-8"}, {"/s/talk.SRT", true, false, 2, false, ""},
        {"/s/talk.txt", true, false, 2, false, ""},     {"", true, false, 2, false, ""},
        {"/s/talk.srt", false, false, 2, false, ""},    {"/s/talk.srt", true, true, 2, false, ""},
    };
    for (const Case &c : cases) {
        SubtitleList list;
        if (!c.listEmpty)
            list.append(entry("a", 1));
        QString writtenCodec;
        const AutoSaveWriter writer = [&](const SubtitleEntries &, const QString &, const QString &codec) {
            writtenCodec = codec;
            return true;
        };
        EXPECT_EQ(autoSaveOnce(list, AutoSaveTarget{c.path, c.encoding, c.playerStarted}, writer), c.written) << c.path;
        EXPECT_EQ(writtenCodec, QString(c.codec)) << c.path;
    }
}

TEST(AutoSaveTest, DefaultWriterRewritesTheFileInItsEncoding)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("talk.srt");
    SubtitleList list;
    list.append(entry(toLocal8("你好"), 1));

    ASSERT_TRUE(autoSaveOnce(list, AutoSaveTarget{path, 2, true}, writeSrtFile));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + toLocal8("你好") + "\r\n\r\n");
    file.close();

    ASSERT_TRUE(autoSaveOnce(list, AutoSaveTarget{path, 1, true}, writeSrtFile));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(QString("你好").toUtf8()));
}

// The GUI side replaces the whole list in many small steps under the list's
// lock; every copy the autosave writes must be one whole generation.
TEST(AutoSaveTest, WritesConsistentCopiesWhileTheListIsEdited)
{
    SubtitleList list;
    list.append(entry("g0", 0));

    std::mutex seenMutex;
    int writes = 0;
    int torn = 0;
    AutoSaveThread thread(list);
    thread.setIntervalMs(1);
    thread.setIdleCheckMs(1);
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

TEST(AutoSaveTest, StopsPromptlyEvenDuringTheLongPause)
{
    SubtitleList list;
    list.append(entry("a", 1));
    std::atomic<int> writes{0};
    AutoSaveThread thread(list);
    thread.setWriter([&](const SubtitleEntries &, const QString &, const QString &) {
        ++writes;
        return true;
    });
    thread.setTarget(AutoSaveTarget{"/nowhere/talk.srt", 2, true});
    thread.setRunning(true);
    thread.start();
    QThread::msleep(20); // let it enter its two-minute pause
    thread.setRunning(false);
    EXPECT_TRUE(thread.wait(30000)); // far below the two-minute interval
    EXPECT_EQ(writes.load(), 0);
}

TEST(AutoSaveTest, IdleThreadWakesWhenPlaybackStarts)
{
    SubtitleList list;
    list.append(entry("a", 1));
    std::mutex m;
    std::condition_variable written;
    int writes = 0;
    AutoSaveThread thread(list);
    thread.setIntervalMs(1);
    thread.setIdleCheckMs(60000); // only a wake-up can get it going in time
    thread.setWriter([&](const SubtitleEntries &, const QString &, const QString &) {
        std::lock_guard<std::mutex> lock(m);
        ++writes;
        written.notify_all();
        return true;
    });
    thread.setSubtitleFile("/nowhere/talk.srt", 2);
    thread.setRunning(true);
    thread.start();
    thread.setPlayerStarted(true);
    std::unique_lock<std::mutex> lock(m);
    EXPECT_TRUE(written.wait_for(lock, std::chrono::seconds(30), [&] { return writes > 0; }));
    lock.unlock();
    thread.stop();
}

} // namespace
