#pragma once

#include "audio/WavHead.h"

#include <QString>
#include <memory>

// Why a load was refused; the command-line tool and tests show it.
enum class WavLoadError {
    None,
    CannotOpen,
    TooLarge,         // more than 1 GiB
    OutOfMemory,
    ReadFailed,
    TooShort,         // under 44 bytes
    NotRiff,          // neither "RIFF" nor "RIFX"
    NotWaveFmt,       // bytes 8..15 are not "WAVEfmt "
    UnsupportedFormat, // not plain, self-consistent PCM of 8/16/32 bits
    BadFactChunk,     // a "fact" chunk whose size is not 4
    ChunkPastEnd,     // a chunk reaching past the end before "data" was found
    DataPastEnd,      // the "data" chunk claims more bytes than the file holds
};

QString wavLoadErrorText(WavLoadError error);

// Where the samples lie in a validated WAV image.
struct WavDataLocation
{
    quint32 dataOffset = 0;
    quint32 dataSize = 0;
};

// Validates a whole WAV file image and finds its "data" chunk. Pure, so the
// refusal rules can be checked on crafted buffers.
WavLoadError locateWavData(const char *buffer, quint64 length, WavDataLocation &location);

// Releases a WavFile buffer (anonymous pages of `length` bytes).
struct WavBufferRelease
{
    quint64 length = 0;
    void operator()(char *buffer) const;
};

// A whole PCM WAV file held in memory. Samples are exposed in place, exactly as
// in the file (a "RIFX" file's samples stay big-endian).
class WavFile
{
public:
    static constexpr quint64 MaxFileLength = 1073741824; // 1 GiB

    WavFile() = default;
    WavFile(const WavFile &) = delete;
    WavFile &operator=(const WavFile &) = delete;

    // False (and the object empty) when the file cannot be read or is not a
    // usable PCM WAV; error() tells why.
    bool Load(const QString &path);

    bool isLoaded() const { return m_buffer != nullptr; }
    WavLoadError error() const { return m_error; }
    const WavHead &head() const { return m_head; }
    const char *samples() const { return m_buffer ? m_buffer.get() + m_dataOffset : nullptr; }
    quint32 dataSize() const { return m_dataSize; }
    quint32 dataOffset() const { return m_dataOffset; }
    quint32 fileLength() const { return m_fileLength; }

private:
    void reset();

    WavHead m_head;
    quint32 m_fileLength = 0;
    quint32 m_dataSize = 0;
    quint32 m_dataOffset = 0;
    std::unique_ptr<char, WavBufferRelease> m_buffer;
    WavLoadError m_error = WavLoadError::None;
};
