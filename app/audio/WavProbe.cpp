#include "audio/WavProbe.h"

#include "audio/AudioExtraction.h"

#include <QFile>
#include <QtEndian>
#include <cstring>

namespace {

constexpr quint64 MinimumFileLength = 44;
constexpr int ServiceBytesPerSecond = 32000;

template <typename T>
T readNumber(const uchar *bytes, bool bigEndian)
{
    return bigEndian ? qFromBigEndian<T>(bytes) : qFromLittleEndian<T>(bytes);
}

void readHead(const uchar *bytes, WavHead &head)
{
    const bool big = std::memcmp(bytes, "RIFX", 4) == 0;
    std::memcpy(head.chunkId, bytes, 4);
    head.chunkSize = readNumber<quint32>(bytes + 4, big);
    std::memcpy(head.format, bytes + 8, 4);
    std::memcpy(head.fmtChunkId, bytes + 12, 4);
    head.fmtChunkSize = readNumber<quint32>(bytes + 16, big);
    head.formatTag = readNumber<quint16>(bytes + 20, big);
    head.channels = readNumber<quint16>(bytes + 22, big);
    head.sampleRate = readNumber<quint32>(bytes + 24, big);
    head.byteRate = readNumber<quint32>(bytes + 28, big);
    head.blockAlign = readNumber<quint16>(bytes + 32, big);
    head.bitsPerSample = readNumber<quint16>(bytes + 34, big);
}

} // namespace

WavProbe probeWav(const QString &path)
{
    WavProbe probe;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return probe;
    probe.fileLength = quint64(file.size());
    if (probe.fileLength < MinimumFileLength) {
        probe.error = WavLoadError::TooShort;
        return probe;
    }
    // Mapped, not read: the checks touch only the header and chunk headers,
    // so only those pages are ever loaded.
    const uchar *bytes = file.map(0, qint64(probe.fileLength));
    if (!bytes) {
        probe.error = WavLoadError::ReadFailed;
        return probe;
    }
    WavDataLocation location;
    probe.error = locateWavData(reinterpret_cast<const char *>(bytes), probe.fileLength, location);
    if (probe.ok()) {
        readHead(bytes, probe.head);
        probe.dataOffset = location.dataOffset;
        probe.dataSize = location.dataSize;
    }
    file.unmap(const_cast<uchar *>(bytes));
    return probe;
}

bool isServiceWavFormat(const WavProbe &probe)
{
    return probe.ok() && std::memcmp(probe.head.chunkId, "RIFF", 4) == 0 && probe.head.channels == 1
           && probe.head.sampleRate == 16000 && probe.head.bitsPerSample == 16;
}

int serviceWavSeconds(const WavProbe &probe)
{
    return probe.ok() ? int(probe.dataSize / ServiceBytesPerSecond) : 0;
}

int scanWavPeak(const QString &path)
{
    const WavProbe probe = probeWav(path);
    QFile file(path);
    if (!probe.ok() || !file.open(QIODevice::ReadOnly) || !file.seek(probe.dataOffset))
        return -1;
    // An even block size keeps every block on a sample boundary.
    constexpr qint64 Block = 1 << 20;
    QByteArray buffer(int(Block), Qt::Uninitialized);
    quint64 left = probe.dataSize;
    int peak = 0;
    while (left > 0) {
        const qint64 want = qint64(qMin<quint64>(left, Block));
        qint64 got = 0;
        while (got < want) {
            const qint64 part = file.read(buffer.data() + got, want - got);
            if (part <= 0)
                return -1;
            got += part;
        }
        peak = qMax(peak, peakSample(buffer.constData(), quint64(got)));
        left -= quint64(got);
    }
    return peak;
}
