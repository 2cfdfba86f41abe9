// The operator's recogniser behind the real service: its options, and jobs
// through the client library that it answers or fails.

#include "ClientJob.h"
#include "ResultBlocks.h"
#include "ServiceOptions.h"
#include "ServiceProcess.h"
#include "SpeechFixture.h"

#include <voxlink.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCodec>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using cw::testing::ServiceProcess;

namespace {

using Block = cw::testing::ResultBlock;

std::vector<Block> blocksOf(const std::string &gbk)
{
    const QString text = QTextCodec::codecForName("GBK")->toUnicode(gbk.c_str(), int(gbk.size()));
    return cw::testing::parseResultBlocks(text.toStdString());
}

int ignoreProgress(void **)
{
    return 0;
}

bool parse(std::vector<std::string> arguments, cw::service::ServiceOptions *options, std::string *error)
{
    return cw::service::parseServiceOptions(arguments, options, error);
}

}  // namespace

TEST(ExternalRecognizer, OptionsAreCheckedWhenParsed)
{
    cw::service::ServiceOptions options;
    std::string error;
    EXPECT_TRUE(options.recognizerCommand.empty());
    EXPECT_EQ(options.recognizerLanguage, "en");
    EXPECT_EQ(options.recognizerTimeLimit, 60);
    ASSERT_TRUE(parse({"--recognizer-command", "/opt/asr/run --model \"/m/a b.bin\"", "--recognizer-language", "pt-BR",
                       "--recognizer-time-limit", "90"},
                      &options, &error))
        << error;
    EXPECT_EQ(options.recognizerCommand, "/opt/asr/run --model \"/m/a b.bin\"");
    EXPECT_EQ(options.recognizerLanguage, "pt-BR");
    EXPECT_EQ(options.recognizerTimeLimit, 90);

    const std::vector<std::vector<std::string>> bad = {
        {"--recognizer-command", "run \"open"},   {"--recognizer-command", "  "},
        {"--recognizer-command"},                 {"--recognizer-language", "en us"},
        {"--recognizer-language", "-x"},          {"--recognizer-language", ""},
        {"--recognizer-time-limit", "0"},         {"--recognizer-time-limit", "ten"},
    };
    for (const auto &arguments : bad) {
        cw::service::ServiceOptions rejected;
        error.clear();
        EXPECT_FALSE(parse(arguments, &rejected, &error)) << arguments[0];
        EXPECT_FALSE(error.empty()) << arguments[0];
    }
}

TEST(ExternalRecognizer, JobsRunTheOperatorsProgram)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Answers three seconds of audio with two lines, and refuses anything
    // shorter with a message on standard error.
    const QString script = dir.filePath(QStringLiteral("asr engine.sh"));
    {
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"sh(#!/bin/sh
printf '%s\n' "$@" > "$(dirname "$0")/args"
if [ "$(stat -c %s "$3")" -lt 90000 ]; then echo "too short for this model" >&2; exit 4; fi
echo '{"word":"今天","start":0.5,"end":0.9,"confidence":0.9}'
echo '{"word":"天气","start":0.9,"end":1.3,"confidence":0.7}'
echo '{"word":"很好","start":1.3,"end":1.6,"confidence":0.8}'
echo '{"word":"。","start":1.6,"end":1.6,"confidence":0.8}'
echo '{"word":"Goodbye","start":2.2,"end":2.6,"confidence":0.5}'
echo '{"word":".","start":2.6,"end":2.6,"confidence":0.5}'
)sh");
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString wav = dir.filePath(QStringLiteral("talk.wav"));
    const QString shortWav = dir.filePath(QStringLiteral("short.wav"));
    ASSERT_TRUE(cw::testing::writeWav16k(wav, std::vector<int16_t>(3 * 16000, 0)));
    ASSERT_TRUE(cw::testing::writeWav16k(shortWav, std::vector<int16_t>(16000, 0)));

    const QString data = dir.filePath(QStringLiteral("data"));
    ServiceProcess service(QStringLiteral(CW_SERVICE_BINARY), data);
    ASSERT_TRUE(service.addUser(QStringLiteral("ann"), QStringLiteral("pw"), 600));
    ASSERT_TRUE(service.start({QStringLiteral("--workers"), QStringLiteral("1"), QStringLiteral("--recognizer-command"),
                               QStringLiteral("\"%1\" --tag \"two words\"").arg(script),
                               QStringLiteral("--recognizer-language"), QStringLiteral("zh")}))
        << service.readLog().toStdString();

    char *session = nullptr;
    ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(service.port()));
    ASSERT_EQ(subtitle_login(handle, "ann", "pw", &session), 0) << errnum;
    subtitle_end(handle);
    const std::string sessionId = session ? session : "";
    std::free(session);
    auto transcribe = [&](const QString &path, int seconds, std::string *result, int *code) {
        ServiceHandle *h = subtitle_start("127.0.0.1", unsigned(service.port()));
        const int rc = cw::testing::runClientJob(h, "ann", sessionId, path.toLocal8Bit().toStdString(), {}, seconds,
                                                 ignoreProgress, result);
        *code = errnum;
        subtitle_end(h);
        return rc;
    };
    auto balance = [&] {
        char *text = nullptr;
        ServiceHandle *h = subtitle_start("127.0.0.1", unsigned(service.port()));
        subtitle_balance(h, sessionId.c_str(), &text);
        subtitle_end(h);
        const std::string copy = text ? text : "";
        std::free(text);
        return copy;
    };

    std::string result;
    int code = 0;
    ASSERT_EQ(transcribe(wav, 3, &result, &code), 0) << code << "\n" << service.readLog().toStdString();
    const std::vector<Block> blocks = blocksOf(result);
    ASSERT_EQ(blocks.size(), 2u) << result;
    EXPECT_EQ(blocks[0].text, "今天天气很好。");
    EXPECT_EQ(blocks[0].startMs, 500);
    EXPECT_EQ(blocks[0].endMs, 1600);
    EXPECT_EQ(blocks[0].confidence, 80);
    EXPECT_EQ(blocks[1].text, "Goodbye.");
    EXPECT_EQ(blocks[1].startMs, 2200);
    EXPECT_EQ(blocks[1].endMs, 3000);  // held for 0.83 s, up to the end of the audio
    QFile args(dir.filePath(QStringLiteral("args")));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    const QList<QByteArray> got = args.readAll().split('\n');
    ASSERT_GE(got.size(), 5);
    EXPECT_EQ(got[0], "--tag");
    EXPECT_EQ(got[1], "two words");
    EXPECT_TRUE(got[2].endsWith(".wav")) << got[2].toStdString();
    EXPECT_EQ(got[3], "--language");
    EXPECT_EQ(got[4], "zh");
    // The charge is recorded just after the result goes out.
    std::string after;
    for (int i = 0; i < 250 && (after = balance()) != "597"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(after, "597");

    // The program's failure fails the job, costs nothing and is logged.
    result.clear();
    EXPECT_NE(transcribe(shortWav, 1, &result, &code), 0);
    EXPECT_EQ(code, 69);
    EXPECT_EQ(balance(), "597");
    const std::string log = service.readLog().toStdString();
    EXPECT_NE(log.find("exited with status 4"), std::string::npos) << log;
    EXPECT_NE(log.find("too short for this model"), std::string::npos) << log;
    EXPECT_EQ(service.stop(), 0);

    // A program that is not there stops the service from starting at all.
    QProcess refused;
    refused.start(QStringLiteral(CW_SERVICE_BINARY),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), data,
                   QStringLiteral("--recognizer-command"), dir.filePath(QStringLiteral("missing"))});
    ASSERT_TRUE(refused.waitForFinished(20000));
    EXPECT_EQ(refused.exitCode(), 2);
    EXPECT_TRUE(refused.readAllStandardError().contains("not found")) << "no reason given";
}
