#include "WavBytes.h"

#include "audio/WavFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct LayoutCase
{
    const char *name;
    WavBytes wav;
    WavLoadError expected;
    quint32 dataOffset;
};

WavBytes withData(QByteArray data)
{
    WavBytes wav;
    wav.data = std::move(data);
    return wav;
}

std::vector<LayoutCase> layoutCases()
{
    std::vector<LayoutCase> cases;
    cases.push_back({"canonical", withData(QByteArray(100, 'x')), WavLoadError::None, 44});
    {
        WavBytes wav = withData(QByteArray(10, 'x'));
        wav.chunksBeforeData.push_back({"LIST", QByteArray(26, 'l')});
        cases.push_back({"list chunk", wav, WavLoadError::None, 78});
    }
    {
        WavBytes wav = withData(QByteArray(10, 'x'));
        wav.chunksBeforeData.push_back({"fact", QByteArray(4, 'f')});
        cases.push_back({"fact of 4", wav, WavLoadError::None, 56});
    }
    {
        WavBytes wav = withData(QByteArray(10, 'x'));
        wav.chunksBeforeData.push_back({"fact", QByteArray(8, 'f')});
        cases.push_back({"fact of 8", wav, WavLoadError::BadFactChunk, 0});
    }
    {
        // No pad byte is skipped after an odd-sized chunk.
        WavBytes wav = withData(QByteArray(10, 'x'));
        wav.chunksBeforeData.push_back({"odd ", QByteArray(3, 'o')});
        cases.push_back({"odd chunk", wav, WavLoadError::None, 55});
    }
    {
        WavBytes wav = withData(QByteArray(10, 'x'));
        wav.fmtExtra = QByteArray(2, '\0');
        cases.push_back({"fmt of 18", wav, WavLoadError::None, 46});
    }
    {
        WavBytes wav = withData(QByteArray(10, 'x'));
        wav.chunksBeforeData.push_back({"LIST", QByteArray(4, 'l'), 4000});
        cases.push_back({"chunk past end", wav, WavLoadError::ChunkPastEnd, 0});
    }
    {
        WavBytes wav = withData(QByteArray(10, 'x'));
        wav.claimedDataSize = 11;
        cases.push_back({"data past end", wav, WavLoadError::DataPastEnd, 0});
    }
    {
        WavBytes wav = withData(QByteArray(10, 'x'));
        wav.claimedDataSize = 0xFFFFFFFFu;
        cases.push_back({"data size near 4 GiB", wav, WavLoadError::DataPastEnd, 0});
    }
    {
        WavBytes wav = withData(QByteArray(10, 'x'));
        wav.riffId = "RIFY";
        cases.push_back({"not riff", wav, WavLoadError::NotRiff, 0});
    }
    {
        WavBytes wav = withData(QByteArray(10, 'x'));
        wav.waveFmt = "WAVEdata";
        cases.push_back({"not wave fmt", wav, WavLoadError::NotWaveFmt, 0});
    }
    const auto unsupported = [&cases](const char *name, auto change) {
        WavBytes wav = withData(QByteArray(10, 'x'));
        change(wav);
        cases.push_back({name, wav, WavLoadError::UnsupportedFormat, 0});
    };
    unsupported("float format", [](WavBytes &w) { w.formatTag = 3; });
    unsupported("24 bits", [](WavBytes &w) { w.bits = 24; });
    unsupported("no channels", [](WavBytes &w) { w.channels = 0; });
    unsupported("byte rate off", [](WavBytes &w) { w.byteRate = 31999; });
    unsupported("block align off", [](WavBytes &w) { w.blockAlign = 4; });
    for (quint16 bits : {8, 16, 32}) {
        WavBytes wav = withData(QByteArray(12, 'x'));
        wav.bits = bits;
        wav.channels = 2;
        wav.sampleRate = 44100;
        cases.push_back({"pcm widths", wav, WavLoadError::None, 44});
    }
    return cases;
}

TEST(WavFileTest, LocatesDataOrRefusesCraftedLayouts)
{
    for (const LayoutCase &c : layoutCases()) {
        SCOPED_TRACE(c.name);
        const QByteArray bytes = c.wav.build();
        WavDataLocation location;
        EXPECT_EQ(locateWavData(bytes.constData(), quint64(bytes.size()), location), c.expected);
        if (c.expected == WavLoadError::None) {
            EXPECT_EQ(location.dataOffset, c.dataOffset);
            EXPECT_EQ(location.dataSize, quint32(c.wav.data.size()));
        }
    }
}

TEST(WavFileTest, RefusesFilesShorterThanAHeader)
{
    const QByteArray bytes = withData(QByteArray()).build();
    ASSERT_EQ(bytes.size(), 44);
    WavDataLocation location;
    EXPECT_EQ(locateWavData(bytes.constData(), 44, location), WavLoadError::None);
    EXPECT_EQ(locateWavData(bytes.constData(), 43, location), WavLoadError::TooShort);
}

TEST(WavFileTest, LoadsHeadSamplesAndSizes)
{
    QTemporaryDir dir;
    WavBytes wav = withData(WavBytes::samples16({1, -2, 300}));
    wav.channels = 1;
    wav.sampleRate = 16000;
    const QString path = dir.filePath("a.wav");
    ASSERT_TRUE(writeBytes(path, wav.build()));

    WavFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(QByteArray(file.head().chunkId, 4), "RIFF");
    EXPECT_EQ(file.head().channels, 1);
    EXPECT_EQ(file.head().sampleRate, 16000u);
    EXPECT_EQ(file.head().bitsPerSample, 16);
    EXPECT_EQ(file.head().chunkSize, quint32(50 - 8));
    EXPECT_EQ(file.dataSize(), 6u);
    EXPECT_EQ(file.dataOffset(), 44u);
    EXPECT_EQ(file.fileLength(), 50u);
    EXPECT_EQ(QByteArray(file.samples(), 6), WavBytes::samples16({1, -2, 300}));
}

TEST(WavFileTest, RifxHeadIsInHostOrderWhileSamplesStayBigEndian)
{
    QTemporaryDir dir;
    WavBytes wav;
    wav.bigEndian = true;
    wav.riffId = "RIFX";
    wav.channels = 2;
    wav.sampleRate = 22050;
    wav.data = QByteArray("\x01\x02\x03\x04", 4);
    const QString path = dir.filePath("x.wav");
    ASSERT_TRUE(writeBytes(path, wav.build()));

    WavFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.head().channels, 2);
    EXPECT_EQ(file.head().sampleRate, 22050u);
    EXPECT_EQ(file.head().byteRate, 22050u * 4);
    EXPECT_EQ(file.head().blockAlign, 4);
    EXPECT_EQ(file.head().formatTag, 1);
    EXPECT_EQ(QByteArray(file.samples(), 4), QByteArray("\x01\x02\x03\x04", 4));
}

TEST(WavFileTest, FailedLoadEmptiesAnEarlierLoad)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.wav");
    const QString bad = dir.filePath("bad.wav");
    ASSERT_TRUE(writeBytes(good, withData(QByteArray(8, 'x')).build()));
    ASSERT_TRUE(writeBytes(bad, QByteArray(43, 'x')));

    WavFile file;
    ASSERT_TRUE(file.Load(good));
    EXPECT_FALSE(file.Load(bad));
    EXPECT_EQ(file.error(), WavLoadError::TooShort);
    EXPECT_FALSE(file.isLoaded());
    EXPECT_EQ(file.samples(), nullptr);
    EXPECT_EQ(file.dataSize(), 0u);
    EXPECT_EQ(file.head().channels, 0);

    EXPECT_FALSE(file.Load(dir.filePath("missing.wav")));
    EXPECT_EQ(file.error(), WavLoadError::CannotOpen);
}

// Sparse files: cheap on disk, and reading holes costs no I/O.
TEST(WavFileTest, AcceptsExactlyOneGibibyteAndRefusesMore)
{
    QTemporaryDir dir;
    const qint64 limit = qint64(WavFile::MaxFileLength);
    for (const qint64 length : {limit, limit + 1}) {
        SCOPED_TRACE(length);
        WavBytes wav;
        wav.claimedDataSize = length - 44;
        const QString path = dir.filePath(QString::number(length) + ".wav");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(wav.build()), 44);
        ASSERT_TRUE(file.resize(length));
        file.close();

        WavFile loaded;
        if (length == limit) {
            ASSERT_TRUE(loaded.Load(path)) << qPrintable(wavLoadErrorText(loaded.error()));
            EXPECT_EQ(loaded.dataSize(), quint32(limit - 44));
        } else {
            EXPECT_FALSE(loaded.Load(path));
            EXPECT_EQ(loaded.error(), WavLoadError::TooLarge);
        }
    }
}

} // namespace
