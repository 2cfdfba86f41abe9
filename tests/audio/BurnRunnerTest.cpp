#include "audio/BurnCommand.h"
#include "audio/BurnRunner.h"
#include "audio/ToolRunner.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Ending
{
    bool arrived = false;
    BurnOutcome outcome = BurnOutcome::Failed;
    QString reason;
    QVector<int> percents;
};

class BurnRunnerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        input = dir.filePath(QStringLiteral("in.mp4"));
        int exitCode = -1;
        ASSERT_TRUE(runProgram(ffmpegProgramPath(),
                               {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                                "testsrc=size=160x90:rate=25", "-t", "2", "-c:v", "libx264", input},
                               QString(), &exitCode));
        ASSERT_EQ(exitCode, 0);
        QObject::connect(&runner, &BurnRunner::progress, [this](const QString &, int p, double, double) {
            ending.percents.append(p);
        });
        QObject::connect(&runner, &BurnRunner::finished,
                         [this](const QString &, BurnOutcome outcome, const QString &reason) {
                             ending.arrived = true;
                             ending.outcome = outcome;
                             ending.reason = reason;
                             loop.quit();
                         });
    }

    BurnSettings settingsTo(const QString &output)
    {
        BurnSettings settings;
        settings.inputPath = input;
        settings.outputPath = output;
        return settings;
    }

    void waitForEnd()
    {
        if (!ending.arrived) {
            QTimer::singleShot(60000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        ASSERT_TRUE(ending.arrived);
    }

    QTemporaryDir dir;
    QString input;
    BurnRunner runner;
    Ending ending;
    QEventLoop loop;
};

} // namespace

TEST_F(BurnRunnerTest, ASuccessReplacesTheOutputOnlyAtTheEnd)
{
    const QString output = dir.filePath(QStringLiteral("out.mp4"));
    QFile old(output);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the previous video");
    old.close();

    ASSERT_TRUE(runner.start(QStringLiteral("t1"), input, burnArguments(settingsTo(output))));
    EXPECT_FALSE(runner.start(QStringLiteral("t2"), input, burnArguments(settingsTo(output)))); // one at a time
    waitForEnd();
    EXPECT_EQ(ending.outcome, BurnOutcome::Succeeded) << ending.reason.toStdString();
    ASSERT_FALSE(ending.percents.isEmpty());
    EXPECT_EQ(ending.percents.last(), 100);
    for (int i = 0; i + 1 < ending.percents.size(); ++i)
        EXPECT_LT(ending.percents.at(i), 100);
    EXPECT_GT(QFile(output).size(), 1000);
    EXPECT_FALSE(QFile::exists(partialOutputPath(output)));
}

TEST_F(BurnRunnerTest, StoppedAndFailedBurnsLeaveNothingBehind)
{
    const QString output = dir.filePath(QStringLiteral("stopped.mp4"));
    BurnSettings slow = settingsTo(output);
    slow.videoSize = QStringLiteral("1920 X 1080"); // long enough to be stopped mid-way
    ASSERT_TRUE(runner.start(QStringLiteral("s"), input, burnArguments(slow)));
    QTimer::singleShot(200, &runner, &BurnRunner::stop);
    waitForEnd();
    EXPECT_EQ(ending.outcome, BurnOutcome::Stopped);
    EXPECT_FALSE(QFile::exists(output));
    EXPECT_FALSE(QFile::exists(partialOutputPath(output)));

    ending = Ending();
    BurnSettings broken = settingsTo(dir.filePath(QStringLiteral("failed.mp4")));
    broken.subtitlePath = dir.filePath(QStringLiteral("missing.srt"));
    ASSERT_TRUE(runner.start(QStringLiteral("f"), input, burnArguments(broken)));
    waitForEnd();
    EXPECT_EQ(ending.outcome, BurnOutcome::Failed);
    EXPECT_FALSE(ending.reason.isEmpty());
    EXPECT_FALSE(QFile::exists(broken.outputPath));
    EXPECT_FALSE(QFile::exists(partialOutputPath(broken.outputPath)));

    // An input that is no video never starts ffmpeg.
    ending = Ending();
    EXPECT_FALSE(runner.start(QStringLiteral("n"), dir.filePath(QStringLiteral("none.mp4")),
                              burnArguments(settingsTo(dir.filePath(QStringLiteral("n.mp4"))))));
    EXPECT_TRUE(ending.arrived);
    EXPECT_EQ(ending.outcome, BurnOutcome::Failed);
    EXPECT_FALSE(runner.isRunning());
}
