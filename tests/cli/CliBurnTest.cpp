// cuewright-cli burn, run as a script runs it.
#include "audio/ToolRunner.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct BurnRun
{
    int exitCode = -1;
    QString errors;
};

class CliBurnTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        video = dir.filePath(QStringLiteral("讲座 1.mp4"));
        int exitCode = -1;
        ASSERT_TRUE(runProgram(ffmpegProgramPath(),
                               {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                                "testsrc=size=160x90:rate=10", "-t", "1", "-pix_fmt", "yuv420p", video},
                               QString(), &exitCode));
        ASSERT_EQ(exitCode, 0);
        subtitles = dir.filePath(QStringLiteral("a,b's.srt"));
        QFile file(subtitles);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("1\n00:00:00,000 --> 00:00:01,000\n你好\n");
    }

    BurnRun burn(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("APPDATA"), dir.path()); // no preset file of the machine's user
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(CUEWRIGHT_CLI_PATH), QStringList{QStringLiteral("burn")} + arguments);
        process.waitForFinished(120000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir dir;
    QString video;
    QString subtitles;
};

} // namespace

TEST_F(CliBurnTest, BurnsWithAPresetAndStyleAndReportsProgress)
{
    const QString out = dir.filePath(QStringLiteral("out.mp4"));
    const BurnRun run = burn({video, subtitles, out, "--preset", "2", "--size", "20", "--color", "ffcc00",
                              "--outline", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(QStringLiteral("burn: 100%")));
    EXPECT_GT(QFile(out).size(), 1000);
    EXPECT_FALSE(QFile::exists(out + QStringLiteral(".part")));
}

TEST_F(CliBurnTest, RefusesBadRequestsAndLeavesNoOutput)
{
    const QString out = dir.filePath(QStringLiteral("out.mp4"));
    EXPECT_EQ(burn({video, dir.filePath("missing.srt"), out}).exitCode, 2);
    EXPECT_EQ(burn({video, subtitles, out, "--color", "red"}).exitCode, 2);
    EXPECT_EQ(burn({video, subtitles, out, "--preset", "nine"}).exitCode, 2);
    EXPECT_EQ(burn({video, subtitles}).exitCode, 2);

    const QString notVideo = dir.filePath(QStringLiteral("notes.mp4"));
    QFile file(notVideo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no video in here");
    file.close();
    EXPECT_EQ(burn({notVideo, subtitles, out}).exitCode, 5);
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_FALSE(QFile::exists(out + QStringLiteral(".part")));
}
