// Choosing and making the waveform's WAV, and handing loads back in order.
#include "MediaFixtures.h"
#include "SpeechFixture.h"

#include "audio/AudioExtraction.h"
#include "audio/WavProbe.h"
#include "audio/WaveLoader.h"
#include "audio/WaveSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <future>
#include <gtest/gtest.h>

namespace {

bool waitUntil(const std::function<bool()> &done, int ms = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

class WaveSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!ffmpegAvailable())
            GTEST_SKIP() << "ffmpeg not installed";
        ASSERT_TRUE(m_dir.isValid());
        m_scratch = m_dir.filePath("scratch/CuewrightClient");
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QStringList scratchWavs() const { return QDir(m_scratch).entryList({"*.wav"}, QDir::Files); }

    QTemporaryDir m_dir;
    QString m_scratch;
};

TEST_F(WaveSourceTest, ServiceWavIsUsedAsItIs)
{
    const QString wav = path("speech.WAV");
    ASSERT_TRUE(cw::testing::writeWav16k(wav, std::vector<int16_t>(16000, 3)));
    const WaveSource source = prepareWaveSource(wav, m_scratch);
    EXPECT_EQ(source.kind, WaveSourceKind::MediaItself);
    EXPECT_EQ(source.wavPath, wav);
    EXPECT_FALSE(QFileInfo::exists(m_scratch));
}

TEST_F(WaveSourceTest, ExtractedOnceThenReusedUntilTheSourceChanges)
{
    const QString media = path("talk.wav"); // 44.1 kHz: extracted like any media
    ASSERT_TRUE(makeTone(media, 1.0, 44100, 2));
    const WaveSource first = prepareWaveSource(media, m_scratch);
    ASSERT_EQ(first.kind, WaveSourceKind::Extracted) << first.error.toStdString();
    EXPECT_TRUE(isServiceWavFormat(probeWav(first.wavPath)));
    EXPECT_EQ(QFileInfo(first.wavPath).absolutePath(), QDir(m_scratch).absolutePath());
    WaveSourceStamp stamp;
    ASSERT_TRUE(readStamp(first.wavPath, &stamp));
    EXPECT_EQ(stamp, stampOf(media));

    const WaveSource again = prepareWaveSource(media, m_scratch);
    EXPECT_EQ(again.kind, WaveSourceKind::Reused);
    EXPECT_EQ(again.wavPath, first.wavPath);

    // Rewritten longer (and later): the old WAV would show the old audio.
    QThread::msleep(20);
    ASSERT_TRUE(makeTone(media, 2.0, 44100, 2));
    const WaveSource changed = prepareWaveSource(media, m_scratch);
    EXPECT_EQ(changed.kind, WaveSourceKind::Extracted);
    EXPECT_EQ(changed.wavPath, first.wavPath);
    EXPECT_EQ(wavDurationSeconds(changed.wavPath), 2);

    // A WAV without its stamp (a crash before it was written) is not trusted.
    QFile::remove(stampPathFor(changed.wavPath));
    EXPECT_EQ(prepareWaveSource(media, m_scratch).kind, WaveSourceKind::Extracted);
    EXPECT_EQ(scratchWavs().size(), 1) << "work folders are gone";
    EXPECT_EQ(QDir(m_scratch).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
}

TEST_F(WaveSourceTest, SameNameInTwoFoldersNeverSharesAWaveform)
{
    QDir(m_dir.path()).mkpath("a");
    QDir(m_dir.path()).mkpath("b");
    const QString shortTalk = path("a/talk.mp3");
    const QString longTalk = path("b/talk.mp3");
    ASSERT_TRUE(makeTone(shortTalk, 1.0, 44100, 1));
    ASSERT_TRUE(makeTone(longTalk, 3.0, 44100, 1));

    const WaveSource a = prepareWaveSource(shortTalk, m_scratch);
    const WaveSource b = prepareWaveSource(longTalk, m_scratch);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_EQ(b.kind, WaveSourceKind::Extracted);
    EXPECT_NE(a.wavPath, b.wavPath);
    EXPECT_EQ(wavDurationSeconds(a.wavPath), 1);
    EXPECT_EQ(wavDurationSeconds(b.wavPath), 3);

    // Even where the names meet, the stamp tells the files apart.
    WaveSourceStamp stamp;
    ASSERT_TRUE(readStamp(a.wavPath, &stamp));
    stamp.path = QFileInfo(longTalk).absoluteFilePath();
    ASSERT_TRUE(writeStamp(a.wavPath, stamp));
    EXPECT_EQ(prepareWaveSource(shortTalk, m_scratch).kind, WaveSourceKind::Extracted);
}

TEST_F(WaveSourceTest, ConcurrentLoadsOfOneFileExtractOnce)
{
    const QString media = path("lecture.mp3");
    ASSERT_TRUE(makeTone(media, 4.0, 44100, 2));
    auto run = [&] { return prepareWaveSource(media, m_scratch); };
    auto first = std::async(std::launch::async, run);
    auto second = std::async(std::launch::async, run);
    const WaveSource one = first.get();
    const WaveSource two = second.get();
    ASSERT_TRUE(one.ok() && two.ok());
    EXPECT_EQ(one.wavPath, two.wavPath);
    // One made it, the other waited and took it.
    EXPECT_EQ(int(one.kind == WaveSourceKind::Extracted) + int(two.kind == WaveSourceKind::Extracted), 1);
    EXPECT_EQ(wavDurationSeconds(one.wavPath), 4);
}

TEST_F(WaveSourceTest, FailedExtractionIsAnErrorWithoutAWav)
{
    const QString fake = path("broken.mp4");
    QFile file(fake);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a media file");
    file.close();
    const WaveSource source = prepareWaveSource(fake, m_scratch);
    EXPECT_FALSE(source.ok());
    EXPECT_FALSE(source.error.isEmpty());
    EXPECT_TRUE(scratchWavs().isEmpty());
    // A load of it says why and offers no WAV to remember.
    const WaveLoadResult result = runWaveLoad({1, fake, m_scratch});
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_TRUE(result.wavPath.isEmpty());

    EXPECT_FALSE(prepareWaveSource(path("missing.mp4"), m_scratch).ok());
}

TEST_F(WaveSourceTest, OnlyTheLatestLoadIsHandedBack)
{
    const QString first = path("first.wav");
    const QString second = path("second.wav");
    ASSERT_TRUE(cw::testing::writeWav16k(first, std::vector<int16_t>(16000, 1)));
    ASSERT_TRUE(cw::testing::writeWav16k(second, std::vector<int16_t>(32000, -1)));

    WaveLoader loader;
    QVector<WaveLoadResult> results;
    QObject::connect(&loader, &WaveLoader::loaded, [&](const WaveLoadResult &r) { results.append(r); });
    const quint64 a = loader.start(first, m_scratch);
    const quint64 b = loader.start(second, m_scratch);
    EXPECT_GT(b, a);
    ASSERT_TRUE(waitUntil([&] { return !loader.isLoading(); }));
    // The first load's late result would arrive after the second's start:
    // give it every chance to.
    QThread::msleep(50);
    QCoreApplication::processEvents();
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].serial, b);
    EXPECT_EQ(results[0].mediaPath, second);
    EXPECT_EQ(results[0].wavPath, second);
    ASSERT_TRUE(results[0].ok());
    EXPECT_EQ(results[0].peaks->sampleCount(), 32000u);

    // Cancelled: nothing at all comes back.
    loader.start(first, m_scratch);
    loader.cancel();
    QThread::msleep(100);
    QCoreApplication::processEvents();
    EXPECT_EQ(results.size(), 1);
}

} // namespace
