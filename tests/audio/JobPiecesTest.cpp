// The pure pieces of the recognition job: progress, names the service
// reads, WAV headers, ffmpeg's output, the transcript copy and the result text.

#include "WavBytes.h"

#include "audio/AudioExtraction.h"
#include "audio/JobProgress.h"
#include "audio/LibraryPath.h"
#include "audio/RecognitionJob.h"
#include "audio/ServiceText.h"
#include "audio/ToolProgress.h"
#include "audio/WavFile.h"
#include "audio/WavProbe.h"
#include "subtitle/LocalCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray gbk(const QString &text)
{
    return QTextCodec::codecForName("GBK")->fromUnicode(text);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(JobProgressTest, LibraryTextsBecomeStagesAndPercentages)
{
    const struct
    {
        const char *text;
        JobStage stage;
        int percent;
        const char *shown;
    } cases[] = {
        {"1024, 512,1", JobStage::UploadingAudio, 50, "正在上传音频..."},
        {"100,37,3", JobStage::Generating, 37, "正在生成字幕..."},
        // A 1-byte transcript and a resume with one byte left: finished
        // uploads, not the finished job.
        {"1, 1,2", JobStage::UploadingText, 100, "正在上传文本..."},
        {"1, 1,1", JobStage::UploadingAudio, 100, "正在上传音频..."},
        {"1,1,4", JobStage::Finished, 100, "正在生成字幕..."},
        {"0,0,3", JobStage::Generating, 0, "正在生成字幕..."}, // a total of 0
        {"5,7,9", JobStage::Generating, 100, "正在生成字幕..."}, // unknown phase, more than the total
        {"3000000000, 1500000000,1", JobStage::UploadingAudio, 50, "正在上传音频..."},
        {"100,-3,3", JobStage::Generating, 0, "正在生成字幕..."},
        {"100,37", JobStage::Generating, 37, "正在生成字幕..."}, // phase missing: 0
        {"busy", JobStage::Generating, 0, "正在生成字幕..."},
        {"", JobStage::Generating, 0, "正在生成字幕..."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const ProgressReport report = translateLibraryProgress(c.text);
        EXPECT_EQ(report.stage, c.stage);
        EXPECT_EQ(report.percent, c.percent);
        EXPECT_EQ(progressText(report.stage), QString::fromUtf8(c.shown));
        int pos = 0;
        int total = 0;
        progressSignalValues(report, pos, total);
        // The panel ends the job on 1 of 1: only Finished may say that.
        EXPECT_EQ(pos == 1 && total == 1, c.stage == JobStage::Finished);
        if (c.stage != JobStage::Finished) {
            EXPECT_EQ(pos * 100 / total, c.percent);
        }
    }
    EXPECT_EQ(progressText(JobStage::Preparing), QStringLiteral("正在提取音频..."));
}

TEST(JobProgressTest, ThrottlePassesOnlyChangedStagesAndPercentages)
{
    // A one-hour WAV is 112500 pieces of 1024 bytes, each reported.
    ProgressThrottle throttle;
    const qint64 total = 115200000;
    int passed = 0;
    for (qint64 sent = 1024; sent <= total; sent += 1024)
        passed += throttle.accept(translateLibraryProgress(QByteArray::number(total) + ", " + QByteArray::number(sent)
                                                           + ",1"));
    EXPECT_EQ(passed, 101); // 0 % .. 100 %
    // A new stage passes even at an unchanged percentage; a repeat does not.
    EXPECT_TRUE(throttle.accept(translateLibraryProgress("1, 1,2")));
    EXPECT_FALSE(throttle.accept(translateLibraryProgress("1, 1,2")));
    EXPECT_TRUE(throttle.accept(translateLibraryProgress("100,100,3")));
}

TEST(ServiceTextTest, NamesGoOutAsGbkCutOnWholeCharacters)
{
    EXPECT_EQ(fileNameOfPath(QStringLiteral("C:\\talks\\a/第一课.mp4")), QStringLiteral("第一课.mp4"));
    EXPECT_EQ(fileNameOfPath(QStringLiteral("/home/ann/talks/lecture 1.mkv")), QStringLiteral("lecture 1.mkv"));
    EXPECT_EQ(fileNameOfPath(QStringLiteral("plain.wav")), QStringLiteral("plain.wav"));

    // GBK, not GB18030: what GBK lacks is "?", one per character.
    EXPECT_EQ(serviceName(QStringLiteral("讲座€.mp4"), 127), gbk(QStringLiteral("讲座€.mp4")));
    EXPECT_EQ(serviceName(QString::fromUtf8("한국어 😀.mp4"), 127), QByteArray("??? ?.mp4"));
    EXPECT_EQ(charactersLostForService(QString::fromUtf8("a한b😀한€")), QString::fromUtf8("한😀"));

    // 100 two-byte characters: 63 fit in 127 bytes, never half of the 64th.
    const QString longName = QString(100, QChar(0x8BB2)) + QStringLiteral(".mp4");
    EXPECT_EQ(serviceName(longName, 127), gbk(QString(63, QChar(0x8BB2))));
    EXPECT_EQ(serviceName(QString(200, QLatin1Char('a')), 127).size(), 127);

    // As a file name: no byte the library or the file system would cut at.
    const QByteArray fileName = serviceFileNameBytes(QStringLiteral("乗a俓.wav"), 255);
    EXPECT_EQ(fileName, QByteArray("_a_.wav"));
    EXPECT_EQ(serviceName(QStringLiteral("乗"), 127), QByteArray("\x81\x5c"));
}

TEST(WavProbeTest, HeaderIsReadWithoutTheSamples)
{
    QTemporaryDir dir;
    WavBytes canonical;
    canonical.data = QByteArray(320000, '\1');
    WavBytes withList = canonical;
    withList.chunksBeforeData.append({"LIST", QByteArray(26, 'x')});
    WavBytes rifx = canonical;
    rifx.bigEndian = true;
    rifx.riffId = "RIFX";
    WavBytes stereo = canonical;
    stereo.channels = 2;
    WavBytes badFact = canonical;
    badFact.chunksBeforeData.append({"fact", QByteArray(8, '\0')});
    WavBytes shortData = canonical;
    shortData.claimedDataSize = 400000;
    WavBytes floats = canonical;
    floats.formatTag = 3;
    const struct
    {
        const char *name;
        QByteArray bytes;
        bool service;
        quint32 offset;
        int seconds;
    } cases[] = {
        {"canonical.wav", canonical.build(), true, 44, 10},     {"list.wav", withList.build(), true, 78, 10},
        {"rifx.wav", rifx.build(), false, 44, 10},              {"stereo.wav", stereo.build(), false, 44, 10},
        {"badfact.wav", badFact.build(), false, 0, 0},          {"short.wav", shortData.build(), false, 0, 0},
        {"float.wav", floats.build(), false, 0, 0},             {"tiny.wav", QByteArray(43, 'R'), false, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(c.name);
        ASSERT_TRUE(writeBytes(path, c.bytes));
        const WavProbe probe = probeWav(path);
        WavFile loaded;
        loaded.Load(path);
        // The same verdict as loading the whole file.
        EXPECT_EQ(probe.error, loaded.error());
        EXPECT_EQ(isServiceWavFormat(probe), c.service);
        EXPECT_EQ(probe.dataOffset, c.offset);
        EXPECT_EQ(serviceWavSeconds(probe), c.seconds);
        EXPECT_EQ(wavDurationSeconds(path), c.seconds);
    }
    EXPECT_EQ(probeWav(dir.filePath("missing.wav")).error, WavLoadError::CannotOpen);
}

TEST(WavProbeTest, LongRecordingsCostNoMemory)
{
    // Two hours of service audio, sparse on disk: the duration comes from the
    // header, and the peak scan streams.
    QTemporaryDir dir;
    const QString path = dir.filePath("long.wav");
    const quint32 dataSize = 2 * 3600 * 32000;
    WavBytes header;
    header.claimedDataSize = dataSize;
    ASSERT_TRUE(writeBytes(path, header.build()));
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), off_t(44) + dataSize), 0);

    rusage before {};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_EQ(wavDurationSeconds(path), 7200);
    EXPECT_TRUE(isUsableWav(path));
    EXPECT_EQ(scanWavPeak(path), 0);
    EXPECT_FALSE(normalisationGain(path)); // silence
    rusage after {};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 32 * 1024) << "kB";
}

TEST(WavProbeTest, PeakScanMatchesTheWholeFileScan)
{
    QTemporaryDir dir;
    QVector<qint16> samples(700001, 3);
    samples[600000] = -12345; // in the second 1 MiB block
    WavBytes wav;
    wav.chunksBeforeData.append({"LIST", QByteArray(3, 'x')}); // odd: samples at an odd offset
    wav.data = WavBytes::samples16(samples);
    const QString path = dir.filePath("peak.wav");
    ASSERT_TRUE(writeBytes(path, wav.build()));
    EXPECT_EQ(scanWavPeak(path), 12345);
    ASSERT_TRUE(normalisationGain(path));
    EXPECT_EQ(formatGain(*normalisationGain(path)), QStringLiteral("2.65"));
}

TEST(WavPathTest, SameNameInTwoFoldersGetsTwoWavs)
{
    const QString scratch = QStringLiteral("/tmp/scratch");
    const QString first = wavOutputPathFor(QStringLiteral("/talks/2023/talk.mp4"), scratch);
    const QString second = wavOutputPathFor(QStringLiteral("/talks/2024/talk.mp4"), scratch);
    EXPECT_NE(first, second);
    EXPECT_EQ(first, wavOutputPathFor(QStringLiteral("/talks/2023/talk.mp4"), scratch));
    EXPECT_TRUE(first.startsWith(scratch + QStringLiteral("/talk.mp4-"))) << first.toStdString();
    EXPECT_TRUE(first.endsWith(QStringLiteral(".wav")));

    // A name near the file system's 255 bytes still leaves room for the hash.
    const QString longName = QString(120, QChar(0x8BB2)) + QStringLiteral(".mp4"); // 364 bytes in UTF-8
    const QString wav = wavOutputPathFor(QStringLiteral("/talks/") + longName, scratch);
    EXPECT_LE(QFile::encodeName(QFileInfo(wav).fileName()).size(), 255);
}

TEST(ToolProgressTest, FfmpegDurationAndProgressLinesAreRead)
{
    EXPECT_EQ(parseDurationLine("  Duration: 00:01:02.50, start: 0.000000, bitrate: 256 kb/s"), 62500);
    EXPECT_EQ(parseDurationLine("  Duration: 01:00:00.00, bitrate: 256 kb/s"), 3600000);
    EXPECT_FALSE(parseDurationLine("  Duration: N/A, start: 0.000000, bitrate: N/A"));
    EXPECT_FALSE(parseDurationLine("Stream #0:0: Audio: pcm_s16le"));

    EXPECT_EQ(parseProgressLine("out_time=00:00:05.120000"), 5120);
    EXPECT_EQ(parseProgressLine("out_time=01:02:03.000000\r"), 3723000);
    EXPECT_FALSE(parseProgressLine("out_time=-577014:32:22.775808")); // before the first packet
    EXPECT_FALSE(parseProgressLine("out_time_us=5120000"));
    EXPECT_FALSE(parseProgressLine("progress=continue"));

    EXPECT_EQ(withProgressOutput({QStringLiteral("-y")}),
              QStringList({QStringLiteral("-progress"), QStringLiteral("pipe:1"), QStringLiteral("-nostats"),
                           QStringLiteral("-y")}));
}

TEST(TranscriptCopyTest, ServiceGetsGbkWithLostCharactersMarked)
{
    QTemporaryDir dir;
    const QString copies = dir.filePath("copies");
    ASSERT_TRUE(QDir().mkpath(copies));
    const QString utf8 = dir.filePath("utf8.txt");
    const QString gb18030 = dir.filePath("gb18030.txt");
    const QString plainGbk = dir.filePath("gbk.txt");
    ASSERT_TRUE(writeBytes(utf8, "\xEF\xBB\xBF" + QString::fromUtf8("第一行 한\r\n第二行€").toUtf8()));
    ASSERT_TRUE(writeBytes(gb18030, toLocal8(QString::fromUtf8("第一行 한"))));
    ASSERT_TRUE(writeBytes(plainGbk, gbk(QStringLiteral("第一行"))));

    QString lost;
    const QString fromUtf8 = transcriptForService(utf8, copies, &lost);
    EXPECT_EQ(fromUtf8, copies + QStringLiteral("/utf8.txt.txt"));
    EXPECT_EQ(readAll(fromUtf8), gbk(QStringLiteral("第一行 ?\r\n第二行€")));
    EXPECT_EQ(lost, QString::fromUtf8("한"));

    // Local bytes with a four-byte GB18030 character are rewritten too.
    const QString fromLocal = transcriptForService(gb18030, copies, &lost);
    EXPECT_EQ(fromLocal, copies + QStringLiteral("/gb18030.txt.txt"));
    EXPECT_EQ(readAll(fromLocal), gbk(QStringLiteral("第一行 ?")));

    EXPECT_EQ(transcriptForService(plainGbk, copies, &lost), plainGbk);
    EXPECT_TRUE(lost.isEmpty());
    EXPECT_FALSE(QFile::exists(copies + QStringLiteral("/gbk.txt.txt")));

    // The older form still writes beside the transcript, in GBK.
    EXPECT_EQ(transcriptForService(utf8), utf8 + QStringLiteral(".txt"));
    EXPECT_EQ(readAll(utf8 + QStringLiteral(".txt")), gbk(QStringLiteral("第一行 ?\r\n第二行€")));
}

TEST(RecognitionResultTest, PairBlocksBecomeEntries)
{
    const SubtitleEntries two = readRecognitionResult(
        gbk(QStringLiteral("1,0\n00:00:00,500 --> 00:00:02,000\n你好\n\n2,0\n00:00:02,100 --> 00:00:04,000\n世界\n\n")));
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(two[0].number, 1);
    EXPECT_EQ(two[1].number, 2);
    EXPECT_EQ(two[0].extraNumber, 0);
    EXPECT_EQ(timeCodeToMilliseconds(two[0].startTime), 500);
    EXPECT_EQ(timeCodeToMilliseconds(two[0].endTime), 2000);
    EXPECT_EQ(timeCodeToMilliseconds(two[1].startTime), 2100);
    EXPECT_EQ(timeCodeToMilliseconds(two[1].endTime), 4000);
    EXPECT_EQ(two[1].text, gbk(QStringLiteral("世界")));

    // An empty text adds nothing and the next block is still read; CR LF is
    // tolerated; a block cut after its time line adds nothing.
    const SubtitleEntries some = readRecognitionResult(
        "1,7\r\n00:00:01,000 --> 00:00:02,000\r\n\r\n\r\n2,3\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n\r\n"
        "3,0\n00:00:05,000 --> 00:00:06,000\n");
    ASSERT_EQ(some.size(), 1);
    EXPECT_EQ(some[0].number, 2);
    EXPECT_EQ(some[0].extraNumber, 3);
    EXPECT_EQ(some[0].text, QByteArray("B"));
    EXPECT_TRUE(readRecognitionResult(QByteArray()).isEmpty());
}

TEST(LibraryPathTest, PathsTheLibraryCannotTakeGetShortAliases)
{
    QTemporaryDir dir;
    const QString aliases = dir.filePath("job");
    ASSERT_TRUE(QDir().mkpath(aliases));
    const QString plain = dir.filePath("talk.wav");
    ASSERT_TRUE(writeBytes(plain, "RIFF...."));
    QByteArray path;
    QString problem;

    // Short, with the name wanted: the file itself.
    ASSERT_TRUE(libraryPathFor(plain, QStringLiteral("talk.wav"), aliases, path, problem));
    EXPECT_EQ(path, QFile::encodeName(plain));

    // Another name for the service: a link carrying that name.
    ASSERT_TRUE(libraryPathFor(plain, QStringLiteral("talk.mp4.wav"), aliases, path, problem));
    EXPECT_EQ(path, QFile::encodeName(aliases) + "/talk.mp4.wav");

    // Over 255 bytes, and a name outside ASCII: GBK bytes, same file.
    const QString deep = dir.filePath(QString(120, QLatin1Char('d')) + "/" + QString(120, QLatin1Char('e')));
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString longPath = deep + QStringLiteral("/第一课.wav");
    ASSERT_GT(QFile::encodeName(longPath).size(), 255);
    ASSERT_TRUE(writeBytes(longPath, "RIFF data"));
    ASSERT_TRUE(libraryPathFor(longPath, QStringLiteral("第一课.wav"), aliases, path, problem)) << problem.toStdString();
    EXPECT_EQ(path, QFile::encodeName(aliases) + "/" + gbk(QStringLiteral("第一课.wav")));
    EXPECT_LE(path.size(), 255);
    struct stat own {};
    struct stat alias {};
    ASSERT_EQ(::stat(QFile::encodeName(longPath).constData(), &own), 0);
    ASSERT_EQ(::stat(path.constData(), &alias), 0);
    EXPECT_EQ(own.st_ino, alias.st_ino);
    ::unlink(path.constData());

    // No room left for any name: refused, not cut into a wrong path.
    const QString deepAliases = deep + "/" + QString(14, QLatin1Char('f'));
    ASSERT_TRUE(QDir().mkpath(deepAliases));
    EXPECT_FALSE(libraryPathFor(longPath, QStringLiteral("第一课.wav"), deepAliases, path, problem));
    EXPECT_FALSE(problem.isEmpty());
}

} // namespace
