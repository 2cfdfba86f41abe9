#include "MediaFixtures.h"
#include "WavBytes.h"

#include "audio/AudioExtraction.h"
#include "audio/WavFile.h"
#include "subtitle/LocalCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace {

int peakOfFile(const QString &path)
{
    WavFile wav;
    if (!wav.Load(path))
        return -1;
    return peakSample(wav.samples(), wav.dataSize());
}

TEST(AudioExtractionTest, PeakAndGainFollowTheLoudestSample)
{
    struct Case
    {
        QVector<qint16> samples;
        int peak;
        const char *gain; // nullptr: no volume step
    };
    const Case cases[] = {
        {{5000, -8000, 100}, 8000, "4.10"},
        {{10000, -3}, 10000, "3.28"},
        {{25000, -100}, 25000, nullptr},
        {{19999}, 19999, "1.64"},
        {{20000}, 20000, nullptr},
        {{-32768}, 32768, nullptr},
        {{0, 0, 0}, 0, nullptr}, // silence: no finite gain, no volume step
        {{}, 0, nullptr},
    };
    for (const Case &c : cases) {
        const QByteArray bytes = WavBytes::samples16(c.samples);
        const int peak = peakSample(bytes.constData(), quint64(bytes.size()));
        EXPECT_EQ(peak, c.peak);
        const auto gain = gainForPeak(peak);
        if (c.gain) {
            ASSERT_TRUE(gain.has_value()) << peak;
            EXPECT_EQ(formatGain(*gain), QString(c.gain));
        } else {
            EXPECT_FALSE(gain.has_value()) << peak;
        }
    }
}

TEST(AudioExtractionTest, PeakScanCoversOddLengthsAndBlockBoundaries)
{
    QVector<qint16> samples(4096 * 3 + 7, 1);
    samples[4096] = -1234;
    samples.last() = 999;
    QByteArray bytes = WavBytes::samples16(samples);
    bytes.append('\x7f'); // a trailing odd byte is not a sample
    EXPECT_EQ(peakSample(bytes.constData(), quint64(bytes.size())), 1234);
}

TEST(AudioExtractionTest, StepsCarryTheExactArguments)
{
    EXPECT_EQ(extractAudioArguments("/m/talk.mp4", "raw.wav"),
              QStringList({"-y", "-i", "/m/talk.mp4", "-map", "0:a", "raw.wav"}));
    EXPECT_EQ(resampleArguments("raw.wav", "raw1.wav"),
              QStringList({"-y", "-i", "raw.wav", "-filter_complex",
                           "aformat=sample_fmts=s16:sample_rates=16000:channel_layouts=mono", "raw1.wav"}));
    EXPECT_EQ(volumeArguments("raw1.wav", float(32767.0 / 10000), "/t/a b.wav"),
              QStringList({"-y", "-i", "raw1.wav", "-filter_complex", "volume=volume=3.28", "/t/a b.wav"}));
}

TEST(AudioExtractionTest, PathsForOutputAndTranscriptCopy)
{
    EXPECT_EQ(wavOutputPathFor("/media/talk.mp4", "/tmp/Cuewright"), "/tmp/Cuewright/talk.mp4.wav");
    EXPECT_EQ(wavOutputPathFor("/media/讲座 1.WAV", "/s"), "/s/讲座 1.WAV.wav");
    EXPECT_EQ(transcriptCopyPath("/d/稿.txt"), "/d/稿.txt.txt");
}

TEST(AudioExtractionTest, UsableWavNeedsSuffixMonoAnd16k)
{
    QTemporaryDir dir;
    struct Case
    {
        const char *name;
        quint16 channels;
        quint32 rate;
        bool usable;
    };
    const Case cases[] = {
        {"talk.WAV", 1, 16000, true},     {"talk8.wav", 1, 16000, true},
        {"hifi.wav", 1, 44100, false},    {"stereo.wav", 2, 16000, false},
        {"mono16k.mp3", 1, 16000, false},
    };
    for (const Case &c : cases) {
        WavBytes wav;
        wav.channels = c.channels;
        wav.sampleRate = c.rate;
        wav.data = QByteArray(64, '\0');
        const QString path = dir.filePath(c.name);
        ASSERT_TRUE(writeBytes(path, wav.build()));
        EXPECT_EQ(isUsableWav(path), c.usable) << c.name;
    }
    EXPECT_FALSE(isUsableWav(QString()));
    EXPECT_FALSE(isUsableWav(dir.filePath("missing.wav")));
}

TEST(AudioExtractionTest, DurationIsDataOver32000)
{
    QTemporaryDir dir;
    WavBytes wav;
    wav.data = QByteArray(320000 + 31999, '\0');
    ASSERT_TRUE(writeBytes(dir.filePath("d.wav"), wav.build()));
    EXPECT_EQ(wavDurationSeconds(dir.filePath("d.wav")), 10);
    EXPECT_EQ(wavDurationSeconds(dir.filePath("none.wav")), 0);
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
        ASSERT_TRUE(dir.isValid());
        scratch = dir.filePath("scratch");
        ASSERT_TRUE(QDir().mkpath(scratch));
    }

    void expectServiceWav(const QString &path)
    {
        WavFile wav;
        ASSERT_TRUE(wav.Load(path)) << qPrintable(path);
        EXPECT_EQ(wav.head().channels, 1);
        EXPECT_EQ(wav.head().sampleRate, 16000u);
        EXPECT_EQ(wav.head().bitsPerSample, 16);
    }

    // Nothing but the outputs is left in the scratch folder.
    void expectOnlyOutputsIn(const QStringList &names)
    {
        EXPECT_EQ(QDir(scratch).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name), names);
    }

    QTemporaryDir dir;
    QString scratch;
};

TEST_F(ConversionTest, QuietToneIsResampledAndNormalised)
{
    const QString source = dir.filePath("quiet.wav");
    ASSERT_TRUE(makeTone(source, 1.5, 44100, 2, 0.5));
    const int sourcePeak = peakOfFile(source);
    ASSERT_GT(sourcePeak, 0);
    ASSERT_LT(sourcePeak, 20000);

    const QString wav = prepareWavForMedia(source, scratch);
    EXPECT_EQ(wav, scratch + "/quiet.wav.wav");
    expectServiceWav(wav);
    EXPECT_GT(peakOfFile(wav), 30000);
    EXPECT_EQ(wavDurationSeconds(wav), 1);
    expectOnlyOutputsIn({"quiet.wav.wav"});
}

TEST_F(ConversionTest, LoudAndSilentSourcesGetNoVolumeStep)
{
    const QString loud = dir.filePath("loud.wav");
    const QString silent = dir.filePath("silent.wav");
    ASSERT_TRUE(makeTone(loud, 1, 16000, 2, 7.0));
    ASSERT_TRUE(makeSilence(silent, 1));

    const QString loudWav = prepareWavForMedia(loud, scratch);
    expectServiceWav(loudWav);
    EXPECT_GE(peakOfFile(loudWav), 20000);
    EXPECT_LT(peakOfFile(loudWav), 32000); // not pushed to full scale

    const QString silentWav = prepareWavForMedia(silent, scratch);
    expectServiceWav(silentWav);
    EXPECT_EQ(peakOfFile(silentWav), 0);
    expectOnlyOutputsIn({"loud.wav.wav", "silent.wav.wav"});
}

TEST_F(ConversionTest, VideoSoundtrackBecomesServiceWav)
{
    const QString video = dir.filePath("clip 1.mp4");
    ASSERT_TRUE(makeVideo(video, 1));
    const QString wav = prepareWavForMedia(video, scratch);
    EXPECT_EQ(wav, scratch + "/clip 1.mp4.wav");
    expectServiceWav(wav);
}

TEST_F(ConversionTest, UsableWavIsUsedInPlace)
{
    const QString source = dir.filePath("ready.WAV");
    ASSERT_TRUE(makeTone(source, 0.5, 16000, 1));
    EXPECT_EQ(prepareWavForMedia(source, scratch), source);
    expectOnlyOutputsIn({});
}

TEST_F(ConversionTest, FailedConversionLeavesNoStaleOutput)
{
    const QString notMedia = dir.filePath("talk.mp4");
    ASSERT_TRUE(writeBytes(notMedia, "not a media file"));
    const QString output = scratch + "/talk.mp4.wav";
    ASSERT_TRUE(writeBytes(output, WavBytes().build())); // an earlier file's result

    EXPECT_FALSE(convertToWav(notMedia, output));
    EXPECT_FALSE(QFile::exists(output));
    expectOnlyOutputsIn({});
}

TEST_F(ConversionTest, EmptyPathsAreRefused)
{
    EXPECT_FALSE(convertToWav(QString(), scratch + "/x.wav"));
    EXPECT_FALSE(convertToWav(dir.filePath("x.mp3"), QString()));
}

// Each conversion has its own intermediates, so two at once do not collide.
TEST_F(ConversionTest, ConcurrentConversionsKeepTheirOwnIntermediates)
{
    const QString quiet = dir.filePath("a.wav");
    const QString silent = dir.filePath("b.wav");
    ASSERT_TRUE(makeTone(quiet, 1, 44100, 2, 0.5));
    ASSERT_TRUE(makeSilence(silent, 2));

    QString quietWav, silentWav;
    std::thread other([&] { silentWav = prepareWavForMedia(silent, scratch); });
    quietWav = prepareWavForMedia(quiet, scratch);
    other.join();

    EXPECT_GT(peakOfFile(quietWav), 30000);
    EXPECT_EQ(peakOfFile(silentWav), 0);
    EXPECT_EQ(wavDurationSeconds(silentWav), 2);
    EXPECT_EQ(wavDurationSeconds(quietWav), 1);
}

} // namespace
