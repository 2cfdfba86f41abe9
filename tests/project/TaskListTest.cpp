#include "project/TaskList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

QStringList statuses(const TaskList &list)
{
    QStringList texts;
    for (const TaskEntry &entry : list.entries())
        texts << entry.status;
    return texts;
}

TaskEntry burnTo(const QString &output, const QString &id = QStringLiteral("20260101120000"))
{
    TaskEntry burn;
    burn.id = id;
    burn.mediaPath = QStringLiteral("/v/in.mkv");
    burn.outputPath = output;
    burn.arguments = QStringList{QStringLiteral("-y"), QStringLiteral("-i"), burn.mediaPath, output};
    return burn;
}

} // namespace

TEST(TaskList, AddingMediaFollowsTheChoosersKindsAndNeverListsAFileTwice)
{
    QTemporaryDir dir;
    const QString lecture = dir.filePath(QStringLiteral("a.b.mp4"));
    touch(dir.filePath(QStringLiteral("a.txt")));

    TaskList list;
    const auto first = list.addMedia({lecture, lecture + QStringLiteral(".wav"), dir.filePath("CLIP.MP4"),
                                      dir.filePath("notes.txt"), lecture},
                                     true);
    // The upper-case clip counts; the extracted WAV, the text and the repeat do not.
    ASSERT_EQ(first.added.size(), 2);
    EXPECT_FALSE(first.duplicateAlone);
    const TaskEntry &added = list.entries().at(0);
    EXPECT_EQ(added.textPath, dir.filePath(QStringLiteral("a.txt")));
    EXPECT_EQ(added.outputPath, lecture + QStringLiteral(".srt"));
    EXPECT_EQ(added.status, QStringLiteral("未开始"));
    EXPECT_EQ(list.entries().at(1).textPath, QString());
    EXPECT_EQ(list.entries().at(1).number, 2);

    EXPECT_TRUE(list.addMedia({lecture}, false).duplicateAlone);
    EXPECT_FALSE(list.addMedia({lecture, dir.filePath("CLIP.MP4")}, false).duplicateAlone);
    EXPECT_EQ(list.size(), 2);
}

TEST(TaskList, StartPauseAndDeleteFollowTheStatesAndKeys)
{
    TaskList list;
    list.addMedia({"/m/1.mp4", "/m/2.mp4", "/m/3.mp4"}, false);
    const QVector<quint64> keys = list.keys();
    list.setTranscript(keys[1], "/m/2.txt");
    list.setTranscript(keys[2], "/m/3.txt");
    const quint64 burn = list.addBurn(burnTo("/v/out.mp4"));

    // Only alignments without a transcript raise the question.
    EXPECT_FALSE(list.needsTranscriptChoice({keys[1], burn}));
    EXPECT_TRUE(list.needsTranscriptChoice(list.keys()));

    list.queueForStart(list.keys(), false); // "暂不处理"
    EXPECT_EQ(statuses(list), (QStringList{"未开始", "等待中...", "等待中...", "等待中..."}));
    EXPECT_EQ(list.nextAlignment(), keys[1]);
    EXPECT_EQ(list.nextBurn(), burn);

    list.markRunning(keys[1], "正在上传音频...");
    EXPECT_TRUE(list.pause(list.keys(), false)); // met the burn
    EXPECT_EQ(list.find(keys[1])->state, TaskState::Running);
    EXPECT_EQ(list.find(keys[2])->status, QStringLiteral("已暂停"));
    EXPECT_EQ(list.nextAlignment(), 0u);

    // Deleting the row above the running task: the running one stays, rows
    // are renumbered, and its reports still reach it by key.
    const TaskEntries removed = list.remove({keys[0], keys[1]});
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed.first().key, keys[0]);
    EXPECT_EQ(list.find(keys[1])->number, 1);
    list.alignmentProgress(keys[1], 50, 100, "正在生成字幕...");
    EXPECT_EQ(list.entries().at(0).progress, 50);
    EXPECT_EQ(list.entries().at(1).progress, 0);

    // A running burn can be removed; whoever runs it must stop it.
    list.markRunning(burn, "转换中...");
    EXPECT_EQ(list.remove({burn}).size(), 1);
}

TEST(TaskList, AFailedTaskShowsItsReasonAndCanBeRetriedOrDeleted)
{
    TaskList list;
    list.addMedia({"/m/1.mp4"}, false);
    const quint64 key = list.keys().first();
    list.queueForStart({key}, true);
    list.markRunning(key, "正在上传音频...");
    list.finishAlignment(key, false, "网络连接失败");
    const TaskEntry *failed = list.find(key);
    EXPECT_EQ(failed->status, QStringLiteral("操作失败"));
    EXPECT_EQ(failed->failure, QStringLiteral("网络连接失败"));
    EXPECT_FALSE(failed->queued());

    list.queueForStart({key}, true);
    EXPECT_EQ(list.nextAlignment(), key);
    EXPECT_TRUE(list.find(key)->failure.isEmpty());
    list.markRunning(key, "正在上传音频...");
    list.finishAlignment(key, true, QString());
    EXPECT_EQ(list.find(key)->status, QStringLiteral("字幕已生成"));
    list.queueForStart({key}, true); // done stays done
    EXPECT_EQ(list.find(key)->state, TaskState::Done);
    EXPECT_EQ(list.remove({key}).size(), 1);
}

TEST(TaskList, BurnsGetUniqueIdsAndEveryEndingLetsTheNextOneGo)
{
    TaskList list;
    const quint64 a = list.addBurn(burnTo("/v/a.mp4"));
    const quint64 b = list.addBurn(burnTo("/v/b.mp4"));
    const quint64 c = list.addBurn(burnTo("/v/c.mp4"));
    EXPECT_EQ(list.find(a)->id, QStringLiteral("20260101120000"));
    EXPECT_EQ(list.find(b)->id, QStringLiteral("20260101120000-2"));
    EXPECT_EQ(list.find(c)->id, QStringLiteral("20260101120000-3"));
    EXPECT_TRUE(list.hasBurn("/v/in.mkv", "/v/b.mp4"));
    EXPECT_FALSE(list.hasBurn("/v/in.mkv", "/v/B.mp4"));

    const QStringList ids = {list.find(a)->id, list.find(b)->id, list.find(c)->id};
    const TaskList::BurnEnd ends[] = {TaskList::BurnEnd::Stopped, TaskList::BurnEnd::Failed,
                                      TaskList::BurnEnd::Succeeded};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(list.find(list.nextBurn())->id, ids[i]);
        list.markRunning(list.nextBurn(), "转换中...");
        list.burnProgress(ids[i], 100, 1, 2);
        EXPECT_EQ(list.findBurn(ids[i])->progress, 99); // 100 belongs to the ending
        list.finishBurn(ids[i], ends[i], "Invalid data found when processing input");
    }
    EXPECT_EQ(statuses(list), (QStringList{"已停止...", "操作失败", "转码完成"}));
    EXPECT_EQ(list.findBurn(ids[1])->failure, QStringLiteral("Invalid data found when processing input"));
    EXPECT_EQ(list.nextBurn(), 0u);
}

TEST(TaskList, TheQueueFileBringsTasksBackWithRunningOnesWaiting)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("user/Tasklist.xml"));
    TaskList list;
    list.addMedia({QStringLiteral("/m/第一课 a&b.mp4"), "/m/2.mp3"}, false);
    const QVector<quint64> keys = list.keys();
    list.queueForStart(keys, true);
    list.markRunning(keys[0], "正在生成字幕...");
    list.alignmentProgress(keys[0], 40, 100, "正在生成字幕...");
    list.markRunning(keys[1], "正在上传音频...");
    list.finishAlignment(keys[1], false, "余额不足");
    list.addBurn(burnTo("/v/out.mp4"));
    ASSERT_TRUE(writeTaskListFile(path, list));

    const TaskList loaded = loadTaskListFile(path);
    ASSERT_EQ(loaded.size(), 3);
    const TaskEntry &first = loaded.entries().at(0);
    EXPECT_EQ(first.mediaPath, QStringLiteral("/m/第一课 a&b.mp4"));
    EXPECT_EQ(first.state, TaskState::Waiting);
    EXPECT_EQ(first.status, QStringLiteral("等待中..."));
    EXPECT_EQ(first.progress, 0);
    EXPECT_EQ(loaded.entries().at(1).failure, QStringLiteral("余额不足"));
    EXPECT_EQ(loaded.entries().at(2).arguments, burnTo("/v/out.mp4").arguments);
    EXPECT_EQ(loaded.entries().at(2).number, 3);

    // Nothing is replaced by what is not a queue.
    TaskList kept = loaded;
    EXPECT_FALSE(readTaskList("<ProList/>", kept));
    EXPECT_FALSE(readTaskList("not xml", kept));
    EXPECT_EQ(kept.size(), 3);
    EXPECT_EQ(loadTaskListFile(dir.filePath(QStringLiteral("missing.xml"))).size(), 0);
}
