#include "project/AutoSaveThread.h"

#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleWriters.h"

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

TEST(AutoSaveTest, WritesOnlyLowerCaseSrtOnceThereIsSomethingToSave)
{
    const struct
    {
        const char *path;
        bool playerStarted, listEmpty;
        int encoding;
        const char *codec; // "": nothing written
    } cases[] = {
        {"/s/a.srt", true, false, 2, "GBK"}, {"/s/a.srt", true, false, 1, "UTF-8"}, {"/s/a.srt", true, false, 0, "UTF-8"},
        {"/s/a.SRT", true, false, 2, ""},    {"/s/a.txt", true, false, 2, ""},      {"", true, false, 2, ""},
        {"/s/a.srt", false, false, 2, ""},   {"/s/a.srt", true, true, 2, ""},
    };
    for (const auto &c : cases) {
        SubtitleList list;
        if (!c.listEmpty)
            list.append(entry("a", 1));
        QString codec;
        const bool written = autoSaveOnce(list, AutoSaveTarget{c.path, c.encoding, c.playerStarted},
                                          [&](const SubtitleEntries &, const QString &, const QString &name) {
                                              codec = name;
                                              return true;
                                          });
        EXPECT_EQ(written, *c.codec != '\0') << c.path;
        EXPECT_EQ(codec, QString(c.codec)) << c.path;
    }

    QTemporaryDir dir;
    SubtitleList list;
    list.append(entry(toLocal8("你好"), 1));
    ASSERT_TRUE(autoSaveOnce(list, AutoSaveTarget{dir.filePath("a.srt"), 2, true}, writeSrtFile));
    QFile file(dir.filePath("a.srt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + toLocal8("你好") + "\r\n\r\n");
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
    thread.setWriter([&](const SubtitleEntries &, const QString &, const QString &) { return ++writes > 0; });
    thread.setTarget(AutoSaveTarget{"/nowhere/talk.srt", 2, true});
    thread.setRunning(true);
    thread.start();
    QThread::msleep(20); // let it enter its two-minute pause
    thread.setRunning(false);
    EXPECT_TRUE(thread.wait(30000)); // far below the two-minute interval
    EXPECT_EQ(writes.load(), 0);
}

} // namespace
