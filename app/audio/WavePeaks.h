#pragma once

#include "audio/WavFile.h"

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <vector>

// The extremes of a stretch of samples; an empty stretch has min > max.
struct PeakPair
{
    qint16 min = 32767;
    qint16 max = -32768;

    bool isEmpty() const { return min > max; }
    void fold(const PeakPair &o)
    {
        min = o.min < min ? o.min : min;
        max = o.max > max ? o.max : max;
    }
    bool operator==(const PeakPair &o) const { return min == o.min && max == o.max; }
};

// The chunks [first, last) a pixel column shows.
struct ChunkRange
{
    quint64 first = 0;
    quint64 last = 0;
};

// Column x at zoom z: from zoom 1 up, the one chunk int(x / z) (many columns
// share a chunk); below 1, every chunk the column's span touches, so no
// peak between two columns is lost.
ChunkRange columnChunks(qint64 x, double zoom);

// Min/max table of a 16 kHz mono 16-bit recording, built once per load: one
// pair per 160 samples (one 10 ms column at zoom 1) and coarser levels of 4,
// 16, 64... chunks, so any column reads a few pairs whatever the zoom. About
// 1.9 MB per hour of audio instead of the 115 MB the samples take.
class WavePeaks
{
public:
    static constexpr int ChunkSamples = 160;
    static constexpr int LevelFactor = 4;
    static constexpr int SampleRate = 16000;

    WavePeaks() = default;

    // From little-endian signed 16-bit samples (an odd trailing byte is no
    // sample). `cancel`, when set during the build, leaves the table empty.
    static WavePeaks fromSamples(const char *samples, quint64 byteCount, const std::atomic<bool> *cancel = nullptr);

    quint32 sampleCount() const { return m_sampleCount; }
    double durationSeconds() const { return m_sampleCount / double(SampleRate); }
    quint64 chunkCount() const { return m_levels.empty() ? 0 : m_levels.front().size(); }
    int levelCount() const { return int(m_levels.size()); }
    bool isEmpty() const { return m_sampleCount == 0; }

    // Extremes of chunks [first, last), clipped to the table.
    PeakPair range(quint64 first, quint64 last) const;
    PeakPair chunk(quint64 index) const { return m_levels.front()[index]; }

    // Columns from 0 up to the first one whose chunk lies past the end.
    qint64 columnCount(double zoom) const;
    // Pairs of columns [x0, x0 + n), stopping at columnCount(zoom); returns
    // how many were written to `out`. Negative columns are skipped.
    int columns(qint64 x0, int n, double zoom, PeakPair *out) const;

    // Bytes the table holds.
    quint64 memoryBytes() const;

private:
    friend class WavePeaksBuilder;

    quint32 m_sampleCount = 0;
    std::vector<std::vector<PeakPair>> m_levels; // [0]: per chunk
};

// Builds a table from samples given piece by piece, so a long file passes
// through a small buffer. Pieces are little-endian signed 16-bit samples of
// any length; an odd byte at the end of a piece is no sample.
class WavePeaksBuilder
{
public:
    explicit WavePeaksBuilder(quint64 expectedSamples = 0);

    void add(const char *samples, quint64 byteCount);
    WavePeaks finish();

private:
    std::vector<PeakPair> m_chunks;
    quint64 m_samples = 0;
    PeakPair m_partial; // the samples of an unfinished chunk
    int m_partialCount = 0;
};

// Checks the WAV is 16 kHz mono 16-bit "RIFF" with at most 1 GiB of
// samples (its header through a mapping that touches only the header's
// pages) and builds its table into `out`, reading the samples through one
// small buffer: never the whole file in memory, and faster than mapping it.
// UnsupportedFormat for any other sample form; TooLarge beyond 1 GiB.
WavLoadError loadWavePeaks(const QString &wavPath, WavePeaks *out, const std::atomic<bool> *cancel = nullptr);
