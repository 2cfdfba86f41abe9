// The burn runner of the queue with the real ffmpeg: progress to 100 for
// containers with and without frame counts, and every ending (done, failed
// probe, unstartable ffmpeg, crash, stop) moving the queue on.
#include "BurnTestSupport.h"
#include "ShellFixture.h"

#include "audio/BurnCommand.h"
#include "batch/CvtVideoWrapper.h"
#include "project/TaskList.h"

#include <QFileInfo>
#include <QMap>

namespace {

class BurnQueueTest : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        ASSERT_FALSE(ffmpegProgramPath().isEmpty());
        mp4 = workFile(QStringLiteral("lecture one.mp4"));
        ASSERT_TRUE(makeClip(mp4, 2));
        srt = workFile(QStringLiteral("lecture one.srt"));
        writeBytes(srt, chineseSrt());
        QObject::connect(&runner, &CvtVideoWrapper::taskProgressed, [this](const QString &id) {
            percents[id].append(tasks.findBurn(id)->progress);
        });
    }

    // A burn as the burn page makes it.
    quint64 addBurn(const QString &input, const QString &output, const QString &id)
    {
        BurnSettings settings;
        settings.inputPath = input;
        settings.subtitlePath = srt;
        settings.outputPath = output;
        TaskEntry burn;
        burn.id = id;
        burn.mediaPath = input;
        burn.textPath = srt;
        burn.outputPath = output;
        burn.arguments = burnArguments(settings);
        return tasks.addBurn(burn);
    }

    bool queueDone() { return waitFor([this] { return !runner.isRunning() && tasks.nextBurn() == 0; }, 60000); }
    QString status(const QString &id) const { return tasks.findBurn(id)->status; }

    QString mp4;
    QString srt;
    TaskList tasks;
    CvtVideoWrapper runner{tasks};
    QMap<QString, QVector<int>> percents;
};

} // namespace

TEST_F(BurnQueueTest, ProgressReaches100ForMp4AndMkvAndAProbeFailureFailsOnlyItsTask)
{
    const QString mkv = workFile(QStringLiteral("clip.mkv"));
    ASSERT_TRUE(makeClip(mkv, 2));
    const QString notMedia = workFile(QStringLiteral("notes.mp4"));
    writeBytes(notMedia, "not a video");
    addBurn(notMedia, workFile(QStringLiteral("never.mp4")), QStringLiteral("bad"));
    addBurn(mp4, workFile(QStringLiteral("out.mp4")), QStringLiteral("mp4"));
    addBurn(mkv, workFile(QStringLiteral("out.mkv")), QStringLiteral("mkv"));

    runner.startNextIfIdle();
    ASSERT_TRUE(queueDone());
    EXPECT_EQ(status(QStringLiteral("bad")), QStringLiteral("操作失败"));
    EXPECT_FALSE(tasks.findBurn(QStringLiteral("bad"))->failure.isEmpty());
    for (const QString &id : {QStringLiteral("mp4"), QStringLiteral("mkv")}) {
        SCOPED_TRACE(id.toStdString());
        EXPECT_EQ(status(id), QStringLiteral("转码完成"));
        const QVector<int> seen = percents.value(id);
        ASSERT_GE(seen.size(), 2);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_GT(seen.at(seen.size() - 2), 0); // MKV has no frame count: time tells
        EXPECT_EQ(tasks.findBurn(id)->progress, 100);
        EXPECT_TRUE(QFileInfo(tasks.findBurn(id)->outputPath).size() > 0);
        EXPECT_FALSE(QFileInfo::exists(tasks.findBurn(id)->outputPath + QStringLiteral(".part")));
    }
}

TEST_F(BurnQueueTest, AKilledFfmpegIsStoppedAndAStopToo_TheQueueGoesOn)
{
    const QString longer = workFile(QStringLiteral("long.mp4"));
    ASSERT_TRUE(makeClip(longer, 40));
    addBurn(longer, workFile(QStringLiteral("crashed.mp4")), QStringLiteral("crash"));
    addBurn(longer, workFile(QStringLiteral("stopped.mp4")), QStringLiteral("stop"));
    addBurn(mp4, workFile(QStringLiteral("after.mp4")), QStringLiteral("after"));

    runner.startNextIfIdle();
    ASSERT_TRUE(waitFor([this] { return !percents.value(QStringLiteral("crash")).isEmpty(); }, 20000));
    const pid_t ffmpeg = childFfmpeg();
    ASSERT_GT(ffmpeg, 0);
    ::kill(ffmpeg, SIGKILL);
    ASSERT_TRUE(waitFor([this] { return !percents.value(QStringLiteral("stop")).isEmpty(); }, 20000));
    EXPECT_EQ(status(QStringLiteral("crash")), QStringLiteral("已停止..."));
    runner.stop(QStringLiteral("stop"));

    ASSERT_TRUE(queueDone());
    EXPECT_EQ(status(QStringLiteral("stop")), QStringLiteral("已停止..."));
    EXPECT_EQ(status(QStringLiteral("after")), QStringLiteral("转码完成"));
    for (const QString &name : {QStringLiteral("crashed.mp4"), QStringLiteral("stopped.mp4")}) {
        EXPECT_FALSE(QFileInfo::exists(workFile(name)));
        EXPECT_FALSE(QFileInfo::exists(workFile(name + QStringLiteral(".part"))));
    }
}

TEST_F(BurnQueueTest, AnFfmpegThatCannotStartFailsEachTaskWithoutStallingTheQueue)
{
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", workFile(QStringLiteral("no-programs")).toUtf8());
    if (!ffmpegProgramPath().isEmpty())
        GTEST_SKIP() << "an ffmpeg lies beside the test program";
    addBurn(mp4, workFile(QStringLiteral("a.mp4")), QStringLiteral("a"));
    addBurn(mp4, workFile(QStringLiteral("b.mp4")), QStringLiteral("b"));
    runner.startNextIfIdle();
    qputenv("PATH", path);
    EXPECT_FALSE(runner.isRunning());
    EXPECT_EQ(status(QStringLiteral("a")), QStringLiteral("操作失败"));
    EXPECT_EQ(status(QStringLiteral("b")), QStringLiteral("操作失败"));
    EXPECT_EQ(tasks.findBurn(QStringLiteral("b"))->failure, QStringLiteral("ffmpeg not found"));

    // With ffmpeg back, a later task runs.
    addBurn(mp4, workFile(QStringLiteral("c.mp4")), QStringLiteral("c"));
    runner.startNextIfIdle();
    ASSERT_TRUE(queueDone());
    EXPECT_EQ(status(QStringLiteral("c")), QStringLiteral("转码完成"));
}
