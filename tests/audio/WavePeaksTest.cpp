// The waveform's min/max table: every lookup agrees with a plain scan of the
// samples, whatever the zoom and however the range falls on the levels.
#include "WavBytes.h"

#include "audio/WavePeaks.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

QVector<qint16> noise(int count, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> amplitude(-32768, 32767);
    QVector<qint16> samples(count);
    for (qint16 &s : samples)
        s = qint16(amplitude(random) / (1 + int(random() % 50))); // quiet and loud stretches
    return samples;
}

PeakPair scan(const QVector<qint16> &samples, quint64 first, quint64 last)
{
    PeakPair pair;
    for (quint64 i = first; i < last && i < quint64(samples.size()); ++i)
        pair.fold({samples[int(i)], samples[int(i)]});
    return pair;
}

WavePeaks peaksOf(const QVector<qint16> &samples)
{
    const QByteArray bytes = WavBytes::samples16(samples);
    return WavePeaks::fromSamples(bytes.constData(), quint64(bytes.size()));
}

TEST(WavePeaksTest, RangesOverEveryLevelMatchAScan)
{
    // Not a whole number of chunks, nor of level groups.
    const QVector<qint16> samples = noise(160 * 1000 + 37, 7);
    const WavePeaks peaks = peaksOf(samples);
    ASSERT_EQ(peaks.sampleCount(), quint32(samples.size()));
    ASSERT_EQ(peaks.chunkCount(), 1001u);
    EXPECT_GE(peaks.levelCount(), 4);

    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        const quint64 a = random() % 1001;
        const quint64 b = a + 1 + random() % (1001 - a);
        EXPECT_EQ(peaks.range(a, b), scan(samples, a * 160, b * 160)) << a << ".." << b;
    }
    // Clipped at the end; empty when it starts there.
    EXPECT_EQ(peaks.range(990, 5000), scan(samples, 990 * 160, quint64(samples.size())));
    EXPECT_TRUE(peaks.range(1001, 1100).isEmpty());
}

TEST(WavePeaksTest, ColumnsBelowZoomOneTakeTheirWholeSpan)
{
    QVector<qint16> samples(160 * 400, 100);
    // A spike in the third chunk of column 5 at zoom 0.25: reading only the
    // column's first chunk, as at zoom 1 and above, would lose it.
    samples[640 * 5 + 2 * 160 + 17] = -30000;
    samples[640 * 9 + 3 * 160 + 159] = 31000;
    const WavePeaks peaks = peaksOf(samples);

    QVector<PeakPair> columns(100);
    ASSERT_EQ(peaks.columns(0, 100, 0.25, columns.data()), 100);
    EXPECT_EQ(columns[5], (PeakPair {-30000, 100}));
    EXPECT_EQ(columns[9], (PeakPair {100, 31000}));
    EXPECT_EQ(columns[4], (PeakPair {100, 100}));

    // An uneven zoom: each column covers its own chunks, and together they
    // cover every chunk once.
    const QVector<qint16> rough = noise(160 * 900, 3);
    const WavePeaks roughPeaks = peaksOf(rough);
    for (double zoom : {0.35, 0.6, 0.95}) {
        const qint64 count = roughPeaks.columnCount(zoom);
        QVector<PeakPair> out(static_cast<int>(count));
        ASSERT_EQ(roughPeaks.columns(0, int(count), zoom, out.data()), count);
        quint64 next = 0;
        for (qint64 x = 0; x < count; ++x) {
            const ChunkRange chunks = columnChunks(x, zoom);
            EXPECT_EQ(chunks.first, next) << zoom << " column " << x;
            next = chunks.last;
            EXPECT_EQ(out[int(x)], scan(rough, chunks.first * 160, chunks.last * 160)) << zoom << " column " << x;
        }
        EXPECT_GE(next, roughPeaks.chunkCount());
    }
}

TEST(WavePeaksTest, ColumnsEndWithTheAudio)
{
    const WavePeaks minute = peaksOf(QVector<qint16>(16000 * 60, 0));
    EXPECT_EQ(minute.columnCount(2.5), 15000);
    EXPECT_EQ(minute.columnCount(0.25), 1500);

    // A partial last chunk is still a column; a window past the end is empty.
    const WavePeaks shortOne = peaksOf(QVector<qint16>(161, 5));
    EXPECT_EQ(shortOne.columnCount(1.0), 2);
    PeakPair out[4];
    EXPECT_EQ(shortOne.columns(1, 4, 1.0, out), 1);
    EXPECT_EQ(shortOne.columns(2, 4, 1.0, out), 0);
    EXPECT_EQ(WavePeaks().columnCount(1.0), 0);
}

class WavePeaksFileTest : public ::testing::Test
{
protected:
    QString write(const QString &name, const WavBytes &wav)
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(writeBytes(path, wav.build()));
        return path;
    }
    QTemporaryDir m_dir;
};

TEST_F(WavePeaksFileTest, ReadsOnlyServiceWavs)
{
    WavBytes wav;
    const QVector<qint16> samples = noise(16000, 9);
    wav.data = WavBytes::samples16(samples);
    // An odd-sized chunk before the data puts the samples at an odd offset.
    wav.chunksBeforeData.append(WavBytes::Chunk {"LIST", "abc", -1});
    WavePeaks peaks;
    ASSERT_EQ(loadWavePeaks(write("ok.wav", wav), &peaks), WavLoadError::None);
    EXPECT_EQ(peaks.sampleCount(), 16000u);
    EXPECT_DOUBLE_EQ(peaks.durationSeconds(), 1.0);
    EXPECT_EQ(peaks.range(0, 100), scan(samples, 0, 16000));

    // Longer than one read: the table is the one built from memory.
    WavBytes longer;
    const QVector<qint16> minute = noise(16000 * 40 + 99, 13);
    longer.data = WavBytes::samples16(minute);
    ASSERT_EQ(loadWavePeaks(write("long.wav", longer), &peaks), WavLoadError::None);
    const WavePeaks expected = peaksOf(minute);
    ASSERT_EQ(peaks.chunkCount(), expected.chunkCount());
    for (quint64 c = 0; c < expected.chunkCount(); ++c)
        ASSERT_EQ(peaks.chunk(c), expected.chunk(c)) << c;

    WavBytes fast = wav;
    fast.sampleRate = 44100;
    EXPECT_EQ(loadWavePeaks(write("fast.wav", fast), &peaks), WavLoadError::UnsupportedFormat);
    EXPECT_TRUE(peaks.isEmpty());
    WavBytes stereo = wav;
    stereo.channels = 2;
    EXPECT_EQ(loadWavePeaks(write("stereo.wav", stereo), &peaks), WavLoadError::UnsupportedFormat);
    WavBytes cut = wav;
    cut.claimedDataSize = wav.data.size() + 100;
    EXPECT_EQ(loadWavePeaks(write("cut.wav", cut), &peaks), WavLoadError::DataPastEnd);
    EXPECT_EQ(loadWavePeaks(m_dir.filePath("none.wav"), &peaks), WavLoadError::CannotOpen);
}

} // namespace
