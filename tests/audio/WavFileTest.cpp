#include "WavBytes.h"

#include "audio/WavFile.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct LayoutCase
{
    const char *name;
    std::function<void(WavBytes &)> change;
    WavLoadError expected;
    quint32 dataOffset;
};

void addChunk(WavBytes &w, const char *id, int size, qint64 claimed = -1)
{
    w.chunksBeforeData.push_back({id, QByteArray(size, 'c'), claimed});
}

// RIFF's layout: an odd-sized chunk followed by a zero pad byte.
void addPaddedChunk(WavBytes &w, const char *id, int size)
{
    w.chunksBeforeData.push_back({id, QByteArray(size, 'c') + '\0', size});
}

TEST(WavFileTest, LocatesDataOrRefusesCraftedLayouts)
{
    const LayoutCase cases[] = {
        {"canonical", [](WavBytes &) {}, WavLoadError::None, 44},
        {"LIST chunk of 26", [](WavBytes &w) { addChunk(w, "LIST", 26); }, WavLoadError::None, 78},
        {"fact of 4", [](WavBytes &w) { addChunk(w, "fact", 4); }, WavLoadError::None, 56},
        {"fact of 8", [](WavBytes &w) { addChunk(w, "fact", 8); }, WavLoadError::BadFactChunk, 0},
        {"odd chunk, no pad byte", [](WavBytes &w) { addChunk(w, "odd ", 3); }, WavLoadError::None, 55},
        {"odd chunk, padded", [](WavBytes &w) { addPaddedChunk(w, "odd ", 3); }, WavLoadError::None, 56},
        {"padded then unpadded",
         [](WavBytes &w) { addPaddedChunk(w, "LIST", 7), addChunk(w, "odd ", 1); },
         WavLoadError::None, 44 + 16 + 9},
        {"odd fmt, no pad byte", [](WavBytes &w) { w.fmtExtra = QByteArray("\x01\x00\x00", 3); }, WavLoadError::None, 47},
        {"odd chunk past end", [](WavBytes &w) { addChunk(w, "odd ", 3, 4001); }, WavLoadError::ChunkPastEnd, 0},
        {"fmt of 18", [](WavBytes &w) { w.fmtExtra = QByteArray(2, '\0'); }, WavLoadError::None, 46},
        {"chunk past end", [](WavBytes &w) { addChunk(w, "LIST", 4, 4000); }, WavLoadError::ChunkPastEnd, 0},
        {"data past end", [](WavBytes &w) { w.claimedDataSize = w.data.size() + 1; }, WavLoadError::DataPastEnd, 0},
        {"data near 4 GiB", [](WavBytes &w) { w.claimedDataSize = 0xFFFFFFFFu; }, WavLoadError::DataPastEnd, 0},
        {"not RIFF", [](WavBytes &w) { w.riffId = "RIFY"; }, WavLoadError::NotRiff, 0},
        {"not WAVEfmt", [](WavBytes &w) { w.waveFmt = "WAVEdata"; }, WavLoadError::NotWaveFmt, 0},
        {"float", [](WavBytes &w) { w.formatTag = 3; }, WavLoadError::UnsupportedFormat, 0},
        {"24 bits", [](WavBytes &w) { w.bits = 24; }, WavLoadError::UnsupportedFormat, 0},
        {"no channels", [](WavBytes &w) { w.channels = 0; }, WavLoadError::UnsupportedFormat, 0},
        {"byte rate off", [](WavBytes &w) { w.byteRate = 31999; }, WavLoadError::UnsupportedFormat, 0},
        {"block align off", [](WavBytes &w) { w.blockAlign = 4; }, WavLoadError::UnsupportedFormat, 0},
        {"8-bit stereo", [](WavBytes &w) { w.bits = 8, w.channels = 2; }, WavLoadError::None, 44},
        {"32-bit 44.1k", [](WavBytes &w) { w.bits = 32, w.sampleRate = 44100; }, WavLoadError::None, 44},
    };
    for (const LayoutCase &c : cases) {
        WavBytes wav;
        wav.data = QByteArray(12, 'x');
        c.change(wav);
        const QByteArray bytes = wav.build();
        WavDataLocation location;
        EXPECT_EQ(locateWavData(bytes.constData(), quint64(bytes.size()), location), c.expected) << c.name;
        if (c.expected == WavLoadError::None) {
            EXPECT_EQ(location.dataOffset, c.dataOffset) << c.name;
            EXPECT_EQ(location.dataSize, 12u) << c.name;
        }
    }
}

TEST(WavFileTest, LoadsRiffAndRifxHeadsInHostOrder)
{
    QTemporaryDir dir;
    for (const bool bigEndian : {false, true}) {
        WavBytes wav;
        wav.bigEndian = bigEndian;
        wav.riffId = bigEndian ? "RIFX" : "RIFF";
        wav.channels = 2;
        wav.sampleRate = 22050;
        wav.data = QByteArray("\x01\x02\x03\x04", 4);
        const QString path = dir.filePath(bigEndian ? "x.wav" : "r.wav");
        ASSERT_TRUE(writeBytes(path, wav.build()));

        WavFile file;
        ASSERT_TRUE(file.Load(path));
        EXPECT_EQ(file.head().chunkSize, 40u);
        EXPECT_EQ(file.head().channels, 2);
        EXPECT_EQ(file.head().sampleRate, 22050u);
        EXPECT_EQ(file.head().byteRate, 22050u * 4);
        EXPECT_EQ(file.head().blockAlign, 4);
        EXPECT_EQ(file.head().bitsPerSample, 16);
        EXPECT_EQ(file.dataOffset(), 44u);
        EXPECT_EQ(file.fileLength(), 48u);
        // Samples are exposed as stored, big-endian ones included.
        EXPECT_EQ(QByteArray(file.samples(), int(file.dataSize())), QByteArray("\x01\x02\x03\x04", 4));
    }
}

TEST(WavFileTest, FailedLoadEmptiesAnEarlierLoad)
{
    QTemporaryDir dir;
    ASSERT_TRUE(writeBytes(dir.filePath("good.wav"), WavBytes().build()));
    ASSERT_TRUE(writeBytes(dir.filePath("short.wav"), WavBytes().build().left(43)));

    WavFile file;
    ASSERT_TRUE(file.Load(dir.filePath("good.wav")));
    EXPECT_FALSE(file.Load(dir.filePath("short.wav")));
    EXPECT_EQ(file.error(), WavLoadError::TooShort);
    EXPECT_EQ(file.samples(), nullptr);
    EXPECT_EQ(file.head().channels, 0);
    EXPECT_FALSE(file.Load(dir.filePath("missing.wav")));
    EXPECT_EQ(file.error(), WavLoadError::CannotOpen);
}

// Sparse files: cheap on disk, and reading holes costs no I/O.
TEST(WavFileTest, AcceptsExactlyOneGibibyteAndRefusesMore)
{
    QTemporaryDir dir;
    for (const qint64 length : {qint64(WavFile::MaxFileLength), qint64(WavFile::MaxFileLength) + 1}) {
        WavBytes wav;
        wav.claimedDataSize = length - 44;
        const QString path = dir.filePath(QString::number(length));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(wav.build()) == 44 && file.resize(length));
        file.close();

        WavFile loaded;
        const bool accepted = length == qint64(WavFile::MaxFileLength);
        EXPECT_EQ(loaded.Load(path), accepted) << qPrintable(wavLoadErrorText(loaded.error()));
        EXPECT_EQ(loaded.error(), accepted ? WavLoadError::None : WavLoadError::TooLarge);
    }
}

} // namespace
