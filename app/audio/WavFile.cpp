#include "audio/WavFile.h"

#include <QFile>
#include <QtEndian>
#include <cstring>
#include <sys/mman.h>

namespace {

constexpr quint64 MinimumFileLength = 44;

// Reads numbers in the byte order the file's chunk id announced.
struct EndianReader
{
    const uchar *bytes;
    bool bigEndian;

    quint16 u16(quint64 offset) const
    {
        return bigEndian ? qFromBigEndian<quint16>(bytes + offset) : qFromLittleEndian<quint16>(bytes + offset);
    }
    quint32 u32(quint64 offset) const
    {
        return bigEndian ? qFromBigEndian<quint32>(bytes + offset) : qFromLittleEndian<quint32>(bytes + offset);
    }
    bool idIs(quint64 offset, const char *id) const { return std::memcmp(bytes + offset, id, 4) == 0; }
};

bool isPlainConsistentPcm(const EndianReader &in)
{
    const quint32 fmtSize = in.u32(16);
    const quint16 formatTag = in.u16(20);
    const quint64 channels = in.u16(22);
    const quint64 sampleRate = in.u32(24);
    const quint32 byteRate = in.u32(28);
    const quint16 blockAlign = in.u16(32);
    const quint64 bits = in.u16(34);

    if (formatTag != 1 || fmtSize < 16 || channels == 0)
        return false;
    if (bits != 8 && bits != 16 && bits != 32)
        return false;
    // 64-bit products: a forged rate must not wrap into a match.
    return byteRate == channels * (bits * sampleRate / 8) && blockAlign == bits * channels / 8;
}

// A chunk id as writers make them: four printable ASCII characters.
bool isPrintableId(const uchar *id)
{
    for (int i = 0; i < 4; ++i) {
        if (id[i] < 0x20 || id[i] > 0x7E)
            return false;
    }
    return true;
}

// Where the chunk after one ending at `end` (its `size` bytes included)
// starts. RIFF pads an odd size with a zero byte, but some writers leave the
// pad out: the padded place is taken when a chunk header can start there,
// else the unpadded one when a header can start there, else the padded one.
quint64 nextChunkOffset(const uchar *bytes, quint64 length, quint64 end, quint64 size)
{
    if (size % 2 == 0)
        return end;
    const quint64 padded = end + 1;
    if (padded + 8 <= length && bytes[end] == 0 && isPrintableId(bytes + padded))
        return padded;
    if (end + 8 <= length && isPrintableId(bytes + end))
        return end;
    return padded;
}

void copyHeadToHost(const char *buffer, WavHead &head)
{
    const EndianReader in{reinterpret_cast<const uchar *>(buffer), std::memcmp(buffer, "RIFX", 4) == 0};
    std::memcpy(head.chunkId, buffer + 0, 4);
    head.chunkSize = in.u32(4);
    std::memcpy(head.format, buffer + 8, 4);
    std::memcpy(head.fmtChunkId, buffer + 12, 4);
    head.fmtChunkSize = in.u32(16);
    head.formatTag = in.u16(20);
    head.channels = in.u16(22);
    head.sampleRate = in.u32(24);
    head.byteRate = in.u32(28);
    head.blockAlign = in.u16(32);
    head.bitsPerSample = in.u16(34);
}

} // namespace

QString wavLoadErrorText(WavLoadError error)
{
    switch (error) {
    case WavLoadError::None: return QStringLiteral("no error");
    case WavLoadError::CannotOpen: return QStringLiteral("cannot open the file");
    case WavLoadError::TooLarge: return QStringLiteral("file is larger than 1 GiB");
    case WavLoadError::OutOfMemory: return QStringLiteral("not enough memory to hold the file");
    case WavLoadError::ReadFailed: return QStringLiteral("cannot read the whole file");
    case WavLoadError::TooShort: return QStringLiteral("file is shorter than a WAV header (44 bytes)");
    case WavLoadError::NotRiff: return QStringLiteral("not a RIFF/RIFX file");
    case WavLoadError::NotWaveFmt: return QStringLiteral("not a WAVE file with a fmt chunk first");
    case WavLoadError::UnsupportedFormat: return QStringLiteral("not plain 8/16/32-bit PCM, or inconsistent format fields");
    case WavLoadError::BadFactChunk: return QStringLiteral("fact chunk size is not 4");
    case WavLoadError::ChunkPastEnd: return QStringLiteral("a chunk runs past the end of the file before the data chunk");
    case WavLoadError::DataPastEnd: return QStringLiteral("data chunk runs past the end of the file");
    }
    return QStringLiteral("unknown error");
}

WavLoadError locateWavData(const char *buffer, quint64 length, WavDataLocation &location)
{
    if (length < MinimumFileLength)
        return WavLoadError::TooShort;

    const auto *bytes = reinterpret_cast<const uchar *>(buffer);
    EndianReader in{bytes, false};
    if (in.idIs(0, "RIFX"))
        in.bigEndian = true;
    else if (!in.idIs(0, "RIFF"))
        return WavLoadError::NotRiff;

    if (std::memcmp(buffer + 8, "WAVEfmt ", 8) != 0)
        return WavLoadError::NotWaveFmt;
    if (!isPlainConsistentPcm(in))
        return WavLoadError::UnsupportedFormat;

    const quint64 fmtSize = in.u32(16);
    quint64 chunk = nextChunkOffset(bytes, length, 20 + fmtSize, fmtSize);
    for (;;) {
        if (chunk + 8 > length)
            return WavLoadError::ChunkPastEnd;
        const quint64 size = in.u32(chunk + 4);
        if (in.idIs(chunk, "data")) {
            const quint64 dataOffset = chunk + 8;
            if (dataOffset + size > length)
                return WavLoadError::DataPastEnd;
            location.dataOffset = quint32(dataOffset);
            location.dataSize = quint32(size);
            return WavLoadError::None;
        }
        if (in.idIs(chunk, "fact") && size != 4)
            return WavLoadError::BadFactChunk;
        if (chunk + 8 + size > length)
            return WavLoadError::ChunkPastEnd;
        chunk = nextChunkOffset(bytes, length, chunk + 8 + size, size);
    }
}

void WavBufferRelease::operator()(char *buffer) const
{
    munmap(buffer, size_t(length));
}

void WavFile::reset()
{
    m_buffer.reset();
    m_head = WavHead();
    m_fileLength = 0;
    m_dataSize = 0;
    m_dataOffset = 0;
}

bool WavFile::Load(const QString &path)
{
    reset();
    m_error = WavLoadError::None;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = WavLoadError::CannotOpen;
        return false;
    }
    const qint64 length = file.size();
    if (length < 0 || quint64(length) > MaxFileLength) {
        m_error = WavLoadError::TooLarge;
        return false;
    }
    if (quint64(length) < MinimumFileLength) {
        m_error = WavLoadError::TooShort;
        return false;
    }

    // Anonymous pages asked for as huge pages: a 1 GiB file then costs a few
    // hundred page faults instead of a quarter million.
    void *pages = mmap(nullptr, size_t(length), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        m_error = WavLoadError::OutOfMemory;
        return false;
    }
    madvise(pages, size_t(length), MADV_HUGEPAGE);
    std::unique_ptr<char, WavBufferRelease> buffer(static_cast<char *>(pages), WavBufferRelease{quint64(length)});
    qint64 done = 0;
    while (done < length) {
        const qint64 got = file.read(buffer.get() + done, length - done);
        if (got <= 0)
            break;
        done += got;
    }
    if (done != length) {
        m_error = WavLoadError::ReadFailed;
        return false;
    }

    WavDataLocation location;
    m_error = locateWavData(buffer.get(), quint64(length), location);
    if (m_error != WavLoadError::None)
        return false;

    copyHeadToHost(buffer.get(), m_head);
    m_fileLength = quint32(length);
    m_dataOffset = location.dataOffset;
    m_dataSize = location.dataSize;
    m_buffer = std::move(buffer);
    return true;
}
