#include "audio/WavePeaks.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <cstring>

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

// A whole number of chunks, about a megabyte: read, folded and checked for
// cancellation at a time.
constexpr quint64 ReadPieceBytes = 3200 * WavePeaks::ChunkSamples * 2;

} // namespace

WavePeaksBuilder::WavePeaksBuilder(quint64 expectedSamples)
{
    m_chunks.reserve((expectedSamples + WavePeaks::ChunkSamples - 1) / WavePeaks::ChunkSamples);
}

void WavePeaksBuilder::add(const char *samples, quint64 byteCount)
{
    constexpr int Chunk = WavePeaks::ChunkSamples;
    quint64 count = qMin<quint64>(byteCount / 2, 0xFFFFFFFFu - m_samples);
    m_samples += count;
    qint16 block[Chunk];
    // Finish a chunk the last piece began.
    while (m_partialCount > 0 && count > 0) {
        qint16 s;
        std::memcpy(&s, samples, 2);
        toHostOrder(&s, 1);
        m_partial.fold({s, s});
        samples += 2;
        --count;
        if (++m_partialCount == Chunk) {
            m_chunks.push_back(m_partial);
            m_partial = PeakPair();
            m_partialCount = 0;
        }
    }
    // Copied chunk by chunk: the samples may sit at an odd offset.
    for (; count >= quint64(Chunk); count -= Chunk, samples += Chunk * 2) {
        std::memcpy(block, samples, sizeof block);
        toHostOrder(block, Chunk);
        m_chunks.push_back(foldChunk(block));
    }
    if (count > 0) {
        std::memcpy(block, samples, count * 2);
        toHostOrder(block, count);
        for (quint64 i = 0; i < count; ++i)
            m_partial.fold({block[i], block[i]});
        m_partialCount = int(count);
    }
}

WavePeaks WavePeaksBuilder::finish()
{
    if (m_partialCount > 0)
        m_chunks.push_back(m_partial);
    WavePeaks peaks;
    if (m_samples == 0)
        return peaks;
    peaks.m_sampleCount = quint32(m_samples);
    peaks.m_levels.push_back(std::move(m_chunks));
    while (peaks.m_levels.back().size() > quint64(WavePeaks::LevelFactor)) {
        const std::vector<PeakPair> &below = peaks.m_levels.back();
        std::vector<PeakPair> level((below.size() + WavePeaks::LevelFactor - 1) / WavePeaks::LevelFactor);
        for (quint64 i = 0; i < below.size(); ++i)
            level[i / WavePeaks::LevelFactor].fold(below[i]);
        peaks.m_levels.push_back(std::move(level));
    }
    *this = WavePeaksBuilder();
    return peaks;
}

WavePeaks WavePeaks::fromSamples(const char *samples, quint64 byteCount, const std::atomic<bool> *cancel)
{
    WavePeaksBuilder builder(byteCount / 2);
    for (quint64 done = 0; done < byteCount;) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return WavePeaks();
        const quint64 piece = qMin<quint64>(ReadPieceBytes, byteCount - done);
        builder.add(samples + done, piece);
        done += piece;
    }
    return builder.finish();
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
        out[written++]
            = chunks.last == chunks.first + 1 ? m_levels.front()[chunks.first] : range(chunks.first, chunks.last);
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
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return WavLoadError::CannotOpen;
    const qint64 length = file.size();
    if (length < 44)
        return WavLoadError::TooShort;

    WavDataLocation location;
    {
        uchar *bytes = file.map(0, length);
        if (!bytes)
            return WavLoadError::ReadFailed;
        const char *image = reinterpret_cast<const char *>(bytes);
        WavLoadError error = locateWavData(image, quint64(length), location);
        if (error == WavLoadError::None) {
            const bool serviceForm = std::memcmp(image, "RIFF", 4) == 0 && qFromLittleEndian<quint16>(bytes + 22) == 1
                && qFromLittleEndian<quint32>(bytes + 24) == 16000 && qFromLittleEndian<quint16>(bytes + 34) == 16;
            if (!serviceForm)
                error = WavLoadError::UnsupportedFormat;
            else if (location.dataSize > WavFile::MaxFileLength)
                error = WavLoadError::TooLarge;
        }
        file.unmap(bytes);
        if (error != WavLoadError::None)
            return error;
    }

    if (!file.seek(location.dataOffset))
        return WavLoadError::ReadFailed;
    WavePeaksBuilder builder(location.dataSize / 2);
    std::vector<char> piece(ReadPieceBytes);
    for (quint64 left = location.dataSize; left > 0;) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return WavLoadError::None;
        const qint64 want = qint64(qMin<quint64>(piece.size(), left));
        if (file.read(piece.data(), want) != want)
            return WavLoadError::ReadFailed;
        builder.add(piece.data(), quint64(want));
        left -= quint64(want);
    }
    *out = builder.finish();
    return WavLoadError::None;
}
