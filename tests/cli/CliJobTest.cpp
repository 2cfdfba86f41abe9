// "cuewright-cli align" and "recognize" run as scripts run them, against the
// real service on 127.0.0.1.

#include "../audio/MediaFixtures.h"
#include "CliProgress.h"
#include "ServiceProcess.h"
#include "SpeechFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using cw::testing::ServiceProcess;

namespace {

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class CliJobTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        material = new QTemporaryDir;
        const auto sentences = cw::testing::standardSentences();
        cw::testing::SpeechFixture speech;
        std::string error;
        QDir().mkpath(material->filePath("speech"));
        QByteArray text;
        for (const std::string &line : sentences)
            text += QByteArray::fromStdString(line) + "\n";
        ready = cw::testing::synthesizeSpeech(sentences, cw::testing::standardPauses(sentences.size()),
                                              material->filePath("speech"), &speech, &error)
                && cw::testing::writeWav16k(material->filePath("talk.wav"), speech.samples)
                && writeFile(material->filePath("talk.txt"), text)
                && runFfmpeg({"-f", "lavfi", "-i", "anullsrc=r=16000:cl=mono", "-t", "3", "-c:a", "pcm_s16le",
                              material->filePath("silence.wav")});
        firstSentence = QString::fromStdString(sentences.front());
    }
    static void TearDownTestSuite()
    {
        delete material;
        material = nullptr;
    }

    void SetUp() override
    {
        if (!ready)
            GTEST_SKIP() << "no synthesised speech (espeak-ng, sox and ffmpeg are needed)";
        QDir().mkpath(dir.filePath("data"));
        service = std::make_unique<ServiceProcess>(QStringLiteral(CW_SERVICE_BINARY), dir.filePath("data"));
        ASSERT_TRUE(service->addUser(QStringLiteral("ann"), QStringLiteral("pw"), 100000));
        ASSERT_TRUE(service->addUser(QStringLiteral("poor"), QStringLiteral("pw"), 5));
        ASSERT_TRUE(service->start()) << service->readLog().toStdString();
        port = service->port();
    }

    // Only the variables the command reads, so nothing from the caller's
    // environment points it elsewhere.
    QProcessEnvironment environment(const QString &user = QStringLiteral("ann"),
                                    const QString &password = QStringLiteral("pw")) const
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        env.insert(QStringLiteral("TMPDIR"), dir.path());
        env.insert(QStringLiteral("CUEWRIGHT_SERVICE_HOST"), QStringLiteral("127.0.0.1"));
        env.insert(QStringLiteral("CUEWRIGHT_SERVICE_PORT"), QString::number(port));
        if (!user.isEmpty())
            env.insert(QStringLiteral("CUEWRIGHT_USER"), user);
        if (!password.isEmpty())
            env.insert(QStringLiteral("CUEWRIGHT_PASSWORD"), password);
        return env;
    }

    CliRun run(const QStringList &arguments, const QProcessEnvironment &env, const QByteArray &input = QByteArray())
    {
        CliRun result;
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(CUEWRIGHT_CLI_PATH), arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    static QString materialFile(const char *name) { return material->filePath(name); }

    static QTemporaryDir *material;
    static bool ready;
    static QString firstSentence;
    QTemporaryDir dir;
    std::unique_ptr<ServiceProcess> service;
    int port = 0;
};

QTemporaryDir *CliJobTest::material = nullptr;
bool CliJobTest::ready = false;
QString CliJobTest::firstSentence;

TEST_F(CliJobTest, AlignWritesOutAndShowsEachStage)
{
    const QString out = dir.filePath("talk.srt");
    const CliRun result = run({"align", materialFile("talk.wav"), materialFile("talk.txt"), out}, environment());
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, out + "\n");
    // UTF-8 SRT with every sentence.
    const QString written = QString::fromUtf8(readAll(out));
    EXPECT_TRUE(written.startsWith("1\r\n00:00:00,")) << written.toStdString();
    EXPECT_TRUE(written.contains("\r\n" + firstSentence + "\r\n"));
    EXPECT_EQ(written.count(" --> "), 10);

    // Not a terminal: a line per stage and per 10 %, in job order.
    const QStringList lines = result.err.split('\n', Qt::SkipEmptyParts);
    EXPECT_LE(lines.size(), 4 * 11);
    QStringList stages;
    for (const QString &line : lines) {
        EXPECT_TRUE(QRegExp(QStringLiteral("\\S+\\.\\.\\. +\\d+%")).exactMatch(line)) << line.toStdString();
        const QString stage = line.section(' ', 0, 0);
        if (stages.isEmpty() || stages.last() != stage)
            stages << stage;
    }
    EXPECT_EQ(stages, QStringList({"正在上传音频...", "正在上传文本...", "正在生成字幕..."}));
    EXPECT_EQ(lines.last(), QStringLiteral("正在生成字幕... 100%"));
    // Logged out again afterwards.
    EXPECT_TRUE(service->readLog().contains("kind=8 user=ann status=0"));
}

TEST_F(CliJobTest, PasswordComesFromStandardInputNeverFromArguments)
{
    const QString out = dir.filePath("talk.vtt");
    const CliRun refused = run({"recognize", materialFile("talk.wav"), out, "--user", "ann", "--password", "pw"},
                               environment(QString(), QString()));
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("never taken as an argument")) << refused.err.toStdString();
    EXPECT_FALSE(service->readLog().contains("kind=2")); // no log-in tried

    const CliRun result = run({"recognize", materialFile("talk.wav"), out, "--user", "ann", "--password-stdin", "--quiet"},
                              environment(QString(), QString()), "pw\n");
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
    EXPECT_TRUE(readAll(out).startsWith("WEBVTT"));
}

TEST_F(CliJobTest, FailuresExitWithTheirCodeAndLeaveOutUntouched)
{
    const QString out = dir.filePath("kept.srt");
    const QByteArray earlier = "1\r\n00:00:01,000 --> 00:00:02,000\r\nearlier work\r\n\r\n";
    const QString notMedia = dir.filePath("notes.mp4");
    ASSERT_TRUE(writeFile(notMedia, "this is no media file"));
    const QString empty = dir.filePath("empty.txt");
    ASSERT_TRUE(writeFile(empty, ""));
    const QString talk = materialFile("talk.wav");
    const QString text = materialFile("talk.txt");

    struct Case
    {
        const char *name;
        QStringList arguments;
        QProcessEnvironment env;
        int exitCode;
        QString message;
    };
    const Case cases[] = {
        {"wrong password", {"align", talk, text, out}, environment("ann", "wrong"), 3,
         "用户名或密码错误，无法登录 (code 21)"},
        {"unknown user", {"align", talk, text, out}, environment("nobody", "pw"), 3, "用户不存在 (code 23)"},
        {"no user", {"align", talk, text, out}, environment(QString(), "pw"), 3, "no user name"},
        {"no password", {"align", talk, text, out}, environment("ann", QString()), 3, "no password"},
        {"balance too low", {"align", talk, text, out}, environment("poor", "pw"), 4,
         "您的账户余额不足，请及时充值 (code 74)"},
        {"media that is none", {"recognize", notMedia, out}, environment(), 5, "音频提取失败：notes.mp4 (code -4)"},
        // Silence: an engine error or no subtitles, both failures of the job.
        {"nothing to recognise", {"recognize", materialFile("silence.wav"), out}, environment(), 1, ""},
        {"missing media", {"align", dir.filePath("gone.wav"), text, out}, environment(), 2, "gone.wav: no such"},
        {"empty transcript", {"align", talk, empty, out}, environment(), 2, "the transcript is empty"},
        {"output format", {"align", talk, text, dir.filePath("kept.doc")}, environment(), 2, "unsupported output"},
        {"missing operand", {"align", talk, out}, environment(), 2, "align needs"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeFile(out, earlier));
        const CliRun result = run(c.arguments, c.env);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
        EXPECT_EQ(readAll(out), earlier);
        EXPECT_EQ(QDir(dir.path()).entryList({"cuewright-cli-*"}, QDir::AllEntries), QStringList()) << "scratch left";
    }

    // The service gone: a network failure.
    ASSERT_EQ(service->stop(), 0);
    const CliRun result = run({"align", talk, text, out}, environment());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("无法申请到网络套接字 (code 5)")) << result.err.toStdString();
    EXPECT_EQ(readAll(out), earlier);
}

TEST_F(CliJobTest, PathsLongerThanTheLibraryTakesStillWork)
{
    const QString deep = dir.filePath(QString(110, 'd') + "/" + QString(110, 'e') + "/讲座");
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString media = deep + "/第一课.wav";
    const QString transcript = deep + "/第一课.txt";
    const QString out = deep + "/第一课.srt";
    ASSERT_GT(QFile::encodeName(media).size(), 255);
    ASSERT_TRUE(QFile::copy(materialFile("talk.wav"), media));
    ASSERT_TRUE(QFile::copy(materialFile("talk.txt"), transcript));
    const CliRun result = run({"align", media, transcript, out, "--encoding", "GBK", "--quiet"}, environment());
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(QString::fromLatin1(readAll(out)).count(" --> "), 10);
}

TEST(CliProgressTest, TerminalLineIsRewrittenLogsGetALinePerStep)
{
    const auto report = [](JobStage stage, int percent) {
        ProgressReport r;
        r.stage = stage;
        r.percent = percent;
        return r;
    };
    CliProgressPrinter terminal(true);
    EXPECT_EQ(terminal.finish(), QString());
    EXPECT_EQ(terminal.textFor(report(JobStage::UploadingAudio, 7)), QStringLiteral("\r正在上传音频...   7%\x1b[K"));
    EXPECT_EQ(terminal.textFor(report(JobStage::UploadingAudio, 8)), QStringLiteral("\r正在上传音频...   8%\x1b[K"));
    EXPECT_EQ(terminal.finish(), QStringLiteral("\n"));

    CliProgressPrinter log(false);
    QString written;
    for (int percent = 0; percent <= 100; ++percent)
        written += log.textFor(report(JobStage::Preparing, percent));
    written += log.textFor(report(JobStage::UploadingAudio, 100));
    written += log.textFor(report(JobStage::Finished, 100));
    EXPECT_EQ(written.count('\n'), 11 + 2);
    EXPECT_TRUE(written.startsWith(QStringLiteral("正在提取音频...   0%\n正在提取音频...  10%\n")));
    EXPECT_TRUE(written.endsWith(QStringLiteral("正在上传音频... 100%\n正在生成字幕... 100%\n")));
    EXPECT_EQ(log.finish(), QString());
}

} // namespace
