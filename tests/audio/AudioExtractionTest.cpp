#include "MediaFixtures.h"
#include "WavBytes.h"

#include "audio/AudioExtraction.h"
#include "audio/ToolProgress.h"
#include "audio/WavFile.h"
#include "subtitle/LocalCodec.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

int peakOfFile(const QString &path)
{
    WavFile wav;
    return wav.Load(path) ? peakSample(wav.samples(), wav.dataSize()) : -1;
}

TEST(AudioExtractionTest, PeakAndGainFollowTheLoudestSample)
{
    const struct
    {
        QVector<qint16> samples;
        int peak;
        const char *gain; // nullptr: no volume step
    } cases[] = {
        {{5000, -8000, 100}, 8000, "4.10"}, {{10000, -3}, 10000, "3.28"}, {{25000, -100}, 25000, nullptr},
        {{19999}, 19999, "1.64"},           {{20000}, 20000, nullptr},    {{-32768}, 32768, nullptr},
        {{0, 0, 0}, 0, nullptr}, // silence: no finite gain, so no volume step
        {{56, -3}, 56, "585.12"}, // 585.125 exactly: printf rounds the tie to even
    };
    for (const auto &c : cases) {
        const QByteArray bytes = WavBytes::samples16(c.samples);
        const int peak = peakSample(bytes.constData(), quint64(bytes.size()));
        EXPECT_EQ(peak, c.peak);
        const auto gain = gainForPeak(peak);
        EXPECT_EQ(gain ? formatGain(*gain) : QString(), QString(c.gain)) << peak;
    }

    // Across scan blocks, with a trailing odd byte that is no sample.
    QVector<qint16> samples(4096 * 3 + 7, 1);
    samples[4096] = -1234;
    const QByteArray bytes = WavBytes::samples16(samples) + '\x7f';
    EXPECT_EQ(peakSample(bytes.constData(), quint64(bytes.size())), 1234);
}

TEST(AudioExtractionTest, StepsCarryTheExactArguments)
{
    EXPECT_EQ(extractAudioArguments("/m/talk.mp4", "raw.wav"),
              QStringList({"-y", "-i", "/m/talk.mp4", "-map", "0:a:0", "raw.wav"}));
    EXPECT_EQ(resampleArguments("raw.wav", "raw1.wav"),
              QStringList({"-y", "-i", "raw.wav", "-filter_complex",
                           "aformat=sample_fmts=s16:sample_rates=16000:channel_layouts=mono", "raw1.wav"}));
    EXPECT_EQ(volumeArguments("raw1.wav", float(32767.0 / 10000), "/t/a b.wav"),
              QStringList({"-y", "-i", "raw1.wav", "-filter_complex", "volume=volume=3.28", "/t/a b.wav"}));
}

TEST(AudioExtractionTest, UsableWavNeedsSuffixMonoAnd16k)
{
    QTemporaryDir dir;
    const struct
    {
        const char *name;
        quint16 channels;
        quint32 rate;
        quint16 bits;
        bool bigEndian;
        bool usable;
    } cases[] = {{"talk.WAV", 1, 16000, 16, false, true},      {"hifi.wav", 1, 44100, 16, false, false},
                 {"stereo.wav", 2, 16000, 16, false, false},   {"mono16k.mp3", 1, 16000, 16, false, false},
                 // The service takes 16-bit little-endian samples only.
                 {"8bit.wav", 1, 16000, 8, false, false},      {"32bit.wav", 1, 16000, 32, false, false},
                 {"rifx.wav", 1, 16000, 16, true, false}};
    for (const auto &c : cases) {
        WavBytes wav;
        wav.channels = c.channels;
        wav.sampleRate = c.rate;
        wav.bits = c.bits;
        wav.bigEndian = c.bigEndian;
        wav.riffId = c.bigEndian ? "RIFX" : "RIFF";
        ASSERT_TRUE(writeBytes(dir.filePath(c.name), wav.build()));
        EXPECT_EQ(isUsableWav(dir.filePath(c.name)), c.usable) << c.name;
    }
    EXPECT_FALSE(isUsableWav(QString()));
}

TEST(AudioExtractionTest, TranscriptForServiceConvertsOnlyUtf8)
{
    QTemporaryDir dir;
    const QString utf8 = dir.filePath("utf8.txt");
    const QString gbk = dir.filePath("gbk.txt");
    ASSERT_TRUE(writeBytes(utf8, QString("第一行\r\n第二行").toUtf8()));
    ASSERT_TRUE(writeBytes(gbk, toLocal8(QString("第一行"))));

    EXPECT_EQ(transcriptForService(utf8), utf8 + ".txt");
    QFile copy(utf8 + ".txt");
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), toLocal8(QString("第一行\r\n第二行")));
    EXPECT_EQ(transcriptForService(gbk), gbk);
    EXPECT_FALSE(QFile::exists(gbk + ".txt"));
}

class ConversionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!ffmpegAvailable())
            GTEST_SKIP() << "ffmpeg not installed";
        scratch = dir.filePath("scratch");
        ASSERT_TRUE(QDir().mkpath(scratch));
    }

    QStringList scratchEntries() const
    {
        return QDir(scratch).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir dir;
    QString scratch;
};

// Every source ends as 16 kHz mono 16-bit; only quiet audio is amplified.
TEST_F(ConversionTest, SourcesBecomeServiceWavs)
{
    const struct
    {
        const char *name;
        std::function<bool(const QString &)> make;
        int minPeak, maxPeak;
    } cases[] = {
        {"quiet.wav", [](const QString &p) { return makeTone(p, 1.5, 44100, 2, 0.5); }, 30000, 32768},
        {"loud.wav", [](const QString &p) { return makeTone(p, 1, 16000, 2, 7.0); }, 20000, 31999},
        {"silent.wav", [](const QString &p) { return makeSilence(p, 1); }, 0, 0},
        {"8bit 16k mono.wav",
         [](const QString &p) {
             return runFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=1:sample_rate=16000", "-c:a", "pcm_u8", p});
         },
         30000, 32768},
        {"clip 1.mp4", [](const QString &p) { return makeVideo(p, 1); }, 30000, 32768},
        {"dubbed.mkv", [](const QString &p) { return makeTwoTrackAudio(p, 1); }, 30000, 32768},
    };
    QStringList outputs;
    for (const auto &c : cases) {
        const QString source = dir.filePath(c.name);
        ASSERT_TRUE(c.make(source)) << c.name;
        const QString wavPath = prepareWavForMedia(source, scratch);
        EXPECT_EQ(wavPath, wavOutputPathFor(source, scratch));
        outputs << QFileInfo(wavPath).fileName();

        WavFile wav;
        ASSERT_TRUE(wav.Load(wavPath)) << c.name;
        EXPECT_EQ(wav.head().channels, 1);
        EXPECT_EQ(wav.head().sampleRate, 16000u);
        EXPECT_EQ(wav.head().bitsPerSample, 16);
        const int peak = peakSample(wav.samples(), wav.dataSize());
        EXPECT_GE(peak, c.minPeak) << c.name;
        EXPECT_LE(peak, c.maxPeak) << c.name;
    }
    outputs.sort();
    EXPECT_EQ(scratchEntries(), outputs); // no intermediates left behind

    const QString ready = dir.filePath("ready.WAV");
    ASSERT_TRUE(makeTone(ready, 0.5, 16000, 1));
    EXPECT_EQ(prepareWavForMedia(ready, scratch), ready);
}

TEST_F(ConversionTest, FailedConversionLeavesNoStaleOutput)
{
    const QString notMedia = dir.filePath("talk.mp4");
    ASSERT_TRUE(writeBytes(notMedia, "not a media file"));
    const QString output = scratch + "/talk.mp4.wav";
    ASSERT_TRUE(writeBytes(output, WavBytes().build())); // an earlier file's result

    EXPECT_FALSE(convertToWav(notMedia, output));
    EXPECT_TRUE(scratchEntries().isEmpty());
}

// A long video takes a while: ffmpeg says how far it is, the conversion
// turns that into one rising percentage, and stops when asked.
TEST_F(ConversionTest, ProgressClimbsToTheEndAndCancelStopsIt)
{
    // Read at its own pace ("-re"), two seconds of audio report on the way.
    const QString tone = dir.filePath("tone.wav");
    ASSERT_TRUE(makeTone(tone, 2, 16000, 1));
    QVector<QPair<qint64, qint64>> times;
    ToolRunControl run;
    run.progress = [&times](qint64 doneMs, qint64 totalMs) { times.append({doneMs, totalMs}); };
    ASSERT_EQ(runToolWithProgress({"-re", "-i", tone, "-f", "null", "-"}, dir.path(), run),
              ToolRunOutcome::Finished);
    EXPECT_TRUE(std::any_of(times.begin(), times.end(), [](const QPair<qint64, qint64> &t) {
        return t.first > 0 && t.first < 2000 && t.second == 2000;
    })) << "no report while running";

    const QString video = dir.filePath("lecture.mp4");
    ASSERT_TRUE(makeVideo(video, 3));
    QVector<int> seen;
    ConversionControl control;
    control.progress = [&seen](int percent) { seen.append(percent); };
    ASSERT_TRUE(convertToWav(video, scratch + "/out.wav", scratch, control));
    ASSERT_GE(seen.size(), 2);
    EXPECT_EQ(seen.first(), 0);
    EXPECT_EQ(seen.last(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(wavDurationSeconds(scratch + "/out.wav"), 3);

    std::atomic<bool> cancel{false};
    control.progress = [&cancel](int) { cancel = true; };
    control.cancel = &cancel;
    EXPECT_FALSE(convertToWav(video, scratch + "/cancelled.wav", scratch, control));
    EXPECT_EQ(scratchEntries(), QStringList({"out.wav"}));
}

// Each conversion has its own intermediates, so two at once do not collide.
TEST_F(ConversionTest, ConcurrentConversionsKeepTheirOwnIntermediates)
{
    const QString quiet = dir.filePath("a.wav");
    const QString silent = dir.filePath("b.wav");
    ASSERT_TRUE(makeTone(quiet, 1, 44100, 2, 0.5));
    ASSERT_TRUE(makeSilence(silent, 2));

    QString silentWav;
    std::thread other([&] { silentWav = prepareWavForMedia(silent, scratch); });
    const QString quietWav = prepareWavForMedia(quiet, scratch);
    other.join();

    EXPECT_GT(peakOfFile(quietWav), 30000);
    EXPECT_EQ(wavDurationSeconds(quietWav), 1);
    EXPECT_EQ(peakOfFile(silentWav), 0);
    EXPECT_EQ(wavDurationSeconds(silentWav), 2);
}

} // namespace
