#include "../audio/MediaFixtures.h"
#include "../audio/WavBytes.h"

#include "audio/AudioExtraction.h"
#include "subtitle/LocalCodec.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliRun runCli(const QStringList &arguments, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    CliRun run;
#ifdef CUEWRIGHT_CLI_PATH
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(CUEWRIGHT_CLI_PATH, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
#else
    Q_UNUSED(arguments);
    Q_UNUSED(environment);
#endif
    return run;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifndef CUEWRIGHT_CLI_PATH
        GTEST_SKIP() << "cuewright-cli not built";
#endif
        ASSERT_TRUE(dir.isValid());
        // Two blocks, the first with two text lines, in UTF-8 with a mark.
        srt = dir.filePath("讲座.SRT");
        ASSERT_TRUE(writeBytes(srt, "\xEF\xBB\xBF" + QString("1\r\n00:00:01,000 --> 00:00:02,500\r\n第一行\r\n续\r\n\r\n"
                                                            "2\r\n01:01:02,340 --> 01:01:03,000\r\nB\r\n\r\n")
                                                        .toUtf8()));
    }

    QTemporaryDir dir;
    QString srt;
};

TEST_F(CliTest, ConvertWritesEachFormat)
{
    const QByteArray gbkText = toLocal8("第一行 续");
    struct Case
    {
        const char *output;
        QStringList extra;
        QByteArray expected;
    };
    const Case cases[] = {
        {"out.srt", {},
         "1\r\n00:00:01,000 --> 00:00:02,500\r\n" + gbkText + "\r\n\r\n2\r\n01:01:02,340 --> 01:01:03,000\r\nB\r\n\r\n"},
        {"out.LRC", {"--encoding", "utf-8"}, "[00:01.00]" + QString("第一行 续").toUtf8() + "\r\n[61:02.34]B\r\n"},
    };
    for (const Case &c : cases) {
        const QString output = dir.filePath(c.output);
        const CliRun run = runCli(QStringList{"convert", srt, output} + c.extra);
        EXPECT_EQ(run.exitCode, 0) << c.output << run.err.constData();
        EXPECT_EQ(readAll(output), c.expected) << c.output;
    }

    const QString ass = dir.filePath("out.ass");
    ASSERT_EQ(runCli({"convert", srt, ass}).exitCode, 0);
    const QByteArray assBytes = readAll(ass);
    EXPECT_TRUE(assBytes.startsWith("[Script Info]\r\n; This is an Advanced Sub Station Alpha v4+ script.\r\nTitle: "
                                    + ass.toUtf8() + "\r\nScriptType: v4.00+\r\n"));
    EXPECT_TRUE(assBytes.endsWith("Dialogue: 0,1:01:02.34,1:01:03.00,Default,,0,0,0,,B\r\n"));
}

TEST_F(CliTest, ConvertRefusals)
{
    const QString doc = dir.filePath("notes.doc");
    const QString longLine = dir.filePath("long.txt");
    ASSERT_TRUE(writeBytes(doc, "x"));
    ASSERT_TRUE(writeBytes(longLine, "short\r\n" + QByteArray(51, 'x')));
    struct Case
    {
        QStringList arguments;
        int exitCode;
        const char *errPart;
    };
    const Case cases[] = {
        {{"convert", doc, dir.filePath("o.srt")}, 2, "文本格式不支持！"},
        {{"convert", srt, dir.filePath("o.doc")}, 2, "unsupported output format"},
        {{"convert", longLine, dir.filePath("o.srt")}, 2, "行内容过长"},
        {{"convert", srt, dir.filePath("o.srt"), "--encoding", "latin1"}, 2, "unknown encoding"},
        {{"convert", srt}, 2, "INPUT and OUTPUT"},
        {{"convert", dir.filePath("missing.srt"), dir.filePath("o.srt")}, 2, "cannot read"},
        {{"convert", srt, dir.filePath("no/such/folder/o.srt")}, 1, "cannot write"},
        {{"frobnicate"}, 2, "usage"},
        {{}, 2, "usage"},
    };
    for (const Case &c : cases) {
        const CliRun run = runCli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(run.err).contains(QString::fromUtf8(c.errPart)))
            << c.arguments.join(' ').toStdString() << ": " << run.err.constData();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("o.srt")));
}

// Characters outside GBK used to become "?" on the way through.
TEST_F(CliTest, ConvertUtf8ToUtf8KeepsEveryCharacter)
{
    const QString input = dir.filePath("k.srt");
    const QByteArray block = "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + QString("한국어 😀 café").toUtf8() + "\r\n\r\n";
    ASSERT_TRUE(writeBytes(input, block));
    const QString output = dir.filePath("k-out.srt");
    ASSERT_EQ(runCli({"convert", input, output, "--encoding", "UTF-8"}).exitCode, 0);
    EXPECT_EQ(readAll(output), block);
}

class CliTimingTest : public CliTest
{
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        // Entries 1 and 2 overlap by 500 ms; 3 starts where 2 ends.
        timed = dir.filePath("timed.srt");
        ASSERT_TRUE(writeBytes(timed, "1\r\n00:00:01,000 --> 00:00:03,000\r\nA\r\n\r\n"
                                      "2\r\n00:00:02,500 --> 00:00:04,000\r\nB\r\n\r\n"
                                      "3\r\n00:00:04,000 --> 00:00:05,000\r\nC\r\n\r\n"));
        environment.insert("APPDATA", dir.filePath("appdata"));
    }

    QByteArray timesOf(const QString &path)
    {
        QByteArray times;
        for (const QByteArray &line : readAll(path).split('\n')) {
            if (line.contains("-->"))
                times += line.trimmed() + "\n";
        }
        return times;
    }

    QString timed;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

TEST_F(CliTimingTest, FixOverlapsAndShiftUseTheEditorsModes)
{
    const struct
    {
        QStringList arguments;
        const char *times;
    } cases[] = {
        {{"fix-overlaps", "--mode", "start"}, "00:00:01,000 --> 00:00:02,500\n00:00:02,500 --> 00:00:04,000\n00:00:04,000 --> 00:00:05,000\n"},
        {{"fix-overlaps", "--mode", "end"}, "00:00:01,000 --> 00:00:03,000\n00:00:03,000 --> 00:00:04,000\n00:00:04,000 --> 00:00:05,000\n"},
        {{"fix-overlaps", "--mode=average"}, "00:00:01,000 --> 00:00:02,750\n00:00:02,750 --> 00:00:04,000\n00:00:04,000 --> 00:00:05,000\n"},
        // Ends 300 ms later: 1/2 overlap by 800 and 2/3 by 300, starts win.
        {{"shift", "--start", "0", "--end", "300"}, "00:00:01,000 --> 00:00:02,500\n00:00:02,500 --> 00:00:04,000\n00:00:04,000 --> 00:00:05,300\n"},
        {{"shift", "--start", "-1500", "--end", "-200", "--mode", "end"}, "00:00:00,000 --> 00:00:02,800\n00:00:02,800 --> 00:00:03,800\n00:00:03,800 --> 00:00:04,800\n"},
    };
    for (const auto &c : cases) {
        const QString output = dir.filePath("out.srt");
        QFile::remove(output);
        QStringList arguments = c.arguments;
        arguments.insert(1, timed);
        arguments.insert(2, output);
        const CliRun run = runCli(arguments);
        const std::string label = c.arguments.join(' ').toStdString();
        EXPECT_EQ(run.exitCode, 0) << label << run.err.constData();
        EXPECT_EQ(timesOf(output), QByteArray(c.times)) << label;
    }
    EXPECT_EQ(runCli({"fix-overlaps", timed, dir.filePath("o.srt"), "--mode", "end"}).out, "overlapping pairs resolved: 1\n");
}

TEST_F(CliTimingTest, CheckReportsFindingsWithItsExitCode)
{
    const QString messy = dir.filePath("messy.srt");
    ASSERT_TRUE(writeBytes(messy, "1\r\n00:00:01,000 --> 00:00:03,000\r\nA\r\n\r\n"
                                  "2\r\n00:00:02,500 --> 00:00:03,000\r\nThis line is far too long to read at a glance\r\n\r\n"
                                  "3\r\n00:00:04,000 --> 00:00:04,000\r\nC\r\n\r\n"));
    CliRun run = runCli({"check", messy}, environment);
    EXPECT_EQ(run.exitCode, 1) << run.err.constData();
    EXPECT_EQ(run.out, "1 00:00:01,000 --> 00:00:03,000: overlaps the next entry\n"
                       "2 00:00:02,500 --> 00:00:03,000: line of 45 characters (limit 42)\n"
                       "2 00:00:02,500 --> 00:00:03,000: 90.0 characters per second (limit 20)\n"
                       "3 00:00:04,000 --> 00:00:04,000: text shown for no time\n"
                       "3 entries, 4 findings\n");

    const QString clean = dir.filePath("clean.srt");
    ASSERT_TRUE(writeBytes(clean, "1\r\n00:00:01,000 --> 00:00:03,000\r\nshort\r\n\r\n"));
    run = runCli({"check", clean}, environment);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "1 entries, 0 findings\n");
    EXPECT_EQ(runCli({"check", clean, "--max-chars", "4"}, environment).exitCode, 1);
    EXPECT_EQ(runCli({"check", clean, "--max-cps=2"}, environment).exitCode, 1);

    // The editor's own limits from its settings file, unless given here.
    ASSERT_TRUE(QDir().mkpath(dir.filePath("appdata/Cuewright")));
    ASSERT_TRUE(writeBytes(dir.filePath("appdata/Cuewright/Config.ini"), "[BaseSet]\nMaxLineLength=4\n"));
    EXPECT_EQ(runCli({"check", clean}, environment).exitCode, 1);
    EXPECT_EQ(runCli({"check", clean, "--max-chars", "5"}, environment).exitCode, 0);
}

TEST_F(CliTimingTest, UnusableInputOrArgumentsExitWithTwo)
{
    const QString doc = dir.filePath("notes.doc");
    ASSERT_TRUE(writeBytes(doc, "x"));
    const QString out = dir.filePath("o.srt");
    const struct
    {
        QStringList arguments;
        const char *errPart;
    } cases[] = {
        {{"check", dir.filePath("missing.srt")}, "cannot read"},
        {{"check", doc}, "文本格式不支持！"},
        {{"check", timed, "--max-cps", "0"}, "--max-cps"},
        {{"check", timed, "--max-chars", "many"}, "--max-chars"},
        {{"check"}, "check needs INPUT"},
        {{"shift", timed, out, "--start", "100"}, "--end"},
        {{"shift", timed, out, "--start", "1.5", "--end", "0"}, "whole number"},
        {{"shift", timed, out, "--start", "0", "--end", "0", "--mode", "middle"}, "unknown mode"},
        {{"fix-overlaps", timed, out}, "--mode is needed"},
        {{"fix-overlaps", timed, dir.filePath("o.doc"), "--mode", "end"}, "unsupported output format"},
        {{"fix-overlaps", timed, out, "--mode", "end", "--encoding", "latin1"}, "unknown encoding"},
    };
    for (const auto &c : cases) {
        const CliRun run = runCli(c.arguments, environment);
        EXPECT_EQ(run.exitCode, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(run.err).contains(QString::fromUtf8(c.errPart)))
            << c.arguments.join(' ').toStdString() << ": " << run.err.constData();
    }
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(CliTest, WavInfoReportsTheHeaderOrWhyNot)
{
    WavBytes wav;
    wav.channels = 2;
    wav.sampleRate = 44100;
    wav.data = QByteArray(400, '\0');
    wav.chunksBeforeData.push_back({"LIST", QByteArray(26, 'l')});
    const QString good = dir.filePath("good.wav");
    ASSERT_TRUE(writeBytes(good, wav.build()));
    CliRun run = runCli({"wav-info", good});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "channels=2 rate=44100 bits=16 offset=78 size=400\n");

    wav.formatTag = 3;
    const QString floating = dir.filePath("float.wav");
    ASSERT_TRUE(writeBytes(floating, wav.build()));
    run = runCli({"wav-info", floating});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains("PCM")) << run.err.constData();

    EXPECT_EQ(runCli({"wav-info"}).exitCode, 2);
}

TEST_F(CliTest, PrepareWavPrintsTheConvertedFile)
{
    if (!ffmpegAvailable())
        GTEST_SKIP() << "ffmpeg not installed";
    const QString scratch = dir.filePath("scratch");
    const QString tone = dir.filePath("tone.mp3");
    ASSERT_TRUE(makeTone(tone, 1, 44100, 2, 0.5));
    const CliRun run = runCli({"prepare-wav", tone, scratch});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    const QString wav = wavOutputPathFor(tone, scratch);
    EXPECT_EQ(run.out, (wav + "\n").toUtf8());
    EXPECT_EQ(runCli({"wav-info", wav}).out.left(20), "channels=1 rate=1600");
}

TEST_F(CliTest, PrepareWavWithoutFfmpegSaysSo)
{
    const QString media = dir.filePath("talk.mp4");
    ASSERT_TRUE(writeBytes(media, "x"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", dir.filePath("empty-bin"));
    const CliRun run = runCli({"prepare-wav", media, dir.filePath("scratch")}, environment);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "CreateProcess [ffmpeg -y -i " + QFileInfo(media).absoluteFilePath().toUtf8()
                           + " -map 0:a:0 raw.wav]failed (2).\n");
    EXPECT_FALSE(run.err.isEmpty());
}

} // namespace
