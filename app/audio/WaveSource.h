#pragma once

#include <QString>
#include <atomic>

// Which WAV the waveform of a media file is drawn from, and making it.

// "<temporary location>/CuewrightClient", where the waveform's WAVs live.
QString defaultWaveScratchFolder();

// What an extracted WAV was made from. Written beside the WAV, so a WAV is
// reused only for the very file it came from: another file of the same name,
// or the same file changed since, is extracted again.
struct WaveSourceStamp
{
    QString path; // absolute
    qint64 size = -1;
    qint64 modifiedMs = 0;

    bool operator==(const WaveSourceStamp &o) const
    {
        return path == o.path && size == o.size && modifiedMs == o.modifiedMs;
    }
    bool operator!=(const WaveSourceStamp &o) const { return !(*this == o); }
};

// The stamp of a media file as it is now; size -1 when it does not exist.
WaveSourceStamp stampOf(const QString &mediaPath);
// "<wav>.source".
QString stampPathFor(const QString &wavPath);
bool writeStamp(const QString &wavPath, const WaveSourceStamp &stamp);
// False when there is none or it cannot be read.
bool readStamp(const QString &wavPath, WaveSourceStamp *stamp);

enum class WaveSourceKind {
    None, // no WAV: see the error
    MediaItself, // the media is a 16 kHz mono 16-bit WAV
    Reused, // extracted earlier from the same, unchanged file
    Extracted, // extracted now
};

struct WaveSource
{
    QString wavPath;
    WaveSourceKind kind = WaveSourceKind::None;
    QString error; // empty when wavPath may be read

    bool ok() const { return kind != WaveSourceKind::None; }
};

// The WAV to draw `mediaPath` from: the media itself when it is usable,
// else wavOutputPathFor() in `scratchFolder` (made if missing), reused when
// its stamp matches and extracted otherwise. One extraction per target at a
// time in this process; a later caller for the same target waits and then
// reuses it. The extraction runs in a private folder and its WAV is renamed
// into place, so nobody ever reads a half-written one. Setting `cancel`
// stops a running extraction.
WaveSource prepareWaveSource(
    const QString &mediaPath, const QString &scratchFolder, const std::atomic<bool> *cancel = nullptr);
