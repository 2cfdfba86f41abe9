#include "audio/WavePeaks.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <sys/mman.h>

ChunkRange columnChunks(qint64 x, double zoom)
{
    if (zoom >= 1.0) {
        const quint64 chunk = quint64(x / zoom);
        return {chunk, chunk + 1};
    }
    const quint64 first = quint64(std::floor(x / zoom));
    const quint64 last = quint64(std::floor((x + 1) / zoom));
    return {first, last > first ? last : first + 1};
}

namespace {

// A fixed count lets the compiler vectorise the fold.
PeakPair foldChunk(const qint16 *samples)
{
    qint16 lo = samples[0];
    qint16 hi = samples[0];
    for (int i = 0; i < WavePeaks::ChunkSamples; ++i) {
        lo = samples[i] < lo ? samples[i] : lo;
        hi = samples[i] > hi ? samples[i] : hi;
    }
    return {lo, hi};
}

void toHostOrder(qint16 *samples, quint64 count)
{
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
    for (quint64 i = 0; i < count; ++i)
        samples[i] = qFromLittleEndian(samples[i]);
#else
    Q_UNUSED(samples)
    Q_UNUSED(count)
#endif
}

constexpr quint64 ChunksPerCancelCheck = 65536;

} // namespace

WavePeaks WavePeaks::fromSamples(const char *samples, quint64 byteCount, const std::atomic<bool> *cancel)
{
    WavePeaks peaks;
    const quint64 count = qMin<quint64>(byteCount / 2, 0xFFFFFFFFu);
    if (count == 0)
        return peaks;
    const quint64 chunks = (count + ChunkSamples - 1) / ChunkSamples;
    std::vector<PeakPair> base(chunks);

    // Copied chunk by chunk: the samples may sit at an odd offset.
    qint16 block[ChunkSamples];
    const quint64 whole = count / ChunkSamples;
    for (quint64 c = 0; c < whole; ++c) {
        if (cancel && c % ChunksPerCancelCheck == 0 && cancel->load(std::memory_order_relaxed))
            return WavePeaks();
        std::memcpy(block, samples + c * ChunkSamples * 2, sizeof block);
        toHostOrder(block, ChunkSamples);
        base[c] = foldChunk(block);
    }
    if (whole < chunks) {
        const quint64 rest = count - whole * ChunkSamples;
        std::memcpy(block, samples + whole * ChunkSamples * 2, rest * 2);
        toHostOrder(block, rest);
        PeakPair tail;
        for (quint64 i = 0; i < rest; ++i)
            tail.fold({block[i], block[i]});
        base[whole] = tail;
    }

    peaks.m_sampleCount = quint32(count);
    peaks.m_levels.push_back(std::move(base));
    while (peaks.m_levels.back().size() > quint64(LevelFactor)) {
        const std::vector<PeakPair> &below = peaks.m_levels.back();
        std::vector<PeakPair> level((below.size() + LevelFactor - 1) / LevelFactor);
        for (quint64 i = 0; i < below.size(); ++i)
            level[i / LevelFactor].fold(below[i]);
        peaks.m_levels.push_back(std::move(level));
    }
    return peaks;
}

PeakPair WavePeaks::range(quint64 first, quint64 last) const
{
    PeakPair result;
    if (m_levels.empty())
        return result;
    last = qMin<quint64>(last, m_levels.front().size());
    // Unaligned ends are read at their own level; the aligned middle one
    // level up, where a quarter as many pairs cover it.
    for (std::size_t level = 0; first < last; ++level) {
        const std::vector<PeakPair> &pairs = m_levels[level];
        if (level + 1 == m_levels.size() || last - first < quint64(LevelFactor)) {
            for (; first < last; ++first)
                result.fold(pairs[first]);
            break;
        }
        for (; first % LevelFactor != 0 && first < last; ++first)
            result.fold(pairs[first]);
        for (; last % LevelFactor != 0 && first < last; --last)
            result.fold(pairs[last - 1]);
        first /= LevelFactor;
        last /= LevelFactor;
    }
    return result;
}

qint64 WavePeaks::columnCount(double zoom) const
{
    const quint64 chunks = chunkCount();
    if (chunks == 0 || !(zoom > 0.0))
        return 0;
    qint64 x = qint64(std::ceil(chunks * zoom));
    while (x > 0 && columnChunks(x - 1, zoom).first >= chunks)
        --x;
    while (columnChunks(x, zoom).first < chunks)
        ++x;
    return x;
}

int WavePeaks::columns(qint64 x0, int n, double zoom, PeakPair *out) const
{
    if (n <= 0 || !(zoom > 0.0))
        return 0;
    const qint64 end = qMin<qint64>(x0 + n, columnCount(zoom));
    int written = 0;
    for (qint64 x = qMax<qint64>(x0, 0); x < end; ++x) {
        const ChunkRange chunks = columnChunks(x, zoom);
        out[written++] = chunks.last == chunks.first + 1 ? m_levels.front()[chunks.first]
                                                         : range(chunks.first, chunks.last);
    }
    return written;
}

quint64 WavePeaks::memoryBytes() const
{
    quint64 bytes = sizeof(*this);
    for (const std::vector<PeakPair> &level : m_levels)
        bytes += level.capacity() * sizeof(PeakPair);
    return bytes;
}

WavLoadError loadWavePeaks(const QString &wavPath, WavePeaks *out, const std::atomic<bool> *cancel)
{
    *out = WavePeaks();
    QFile file(wavPath);
    if (!file.open(QIODevice::ReadOnly))
        return WavLoadError::CannotOpen;
    const qint64 length = file.size();
    if (length < 44)
        return WavLoadError::TooShort;
    uchar *bytes = file.map(0, length);
    if (!bytes)
        return WavLoadError::ReadFailed;
    // One pass from front to back: let the kernel read ahead.
    madvise(bytes, size_t(length), MADV_SEQUENTIAL);

    const char *image = reinterpret_cast<const char *>(bytes);
    WavDataLocation location;
    WavLoadError error = locateWavData(image, quint64(length), location);
    if (error == WavLoadError::None) {
        const bool serviceForm = std::memcmp(image, "RIFF", 4) == 0 && qFromLittleEndian<quint16>(bytes + 22) == 1
                                 && qFromLittleEndian<quint32>(bytes + 24) == 16000
                                 && qFromLittleEndian<quint16>(bytes + 34) == 16;
        if (!serviceForm)
            error = WavLoadError::UnsupportedFormat;
        else if (location.dataSize > WavFile::MaxFileLength)
            error = WavLoadError::TooLarge;
        else
            *out = WavePeaks::fromSamples(image + location.dataOffset, location.dataSize, cancel);
    }
    file.unmap(bytes);
    return error;
}
