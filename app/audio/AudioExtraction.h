#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

// Turning any media file into the 16 kHz, 16-bit mono WAV the service takes.

// Yes exactly when the path ends in "wav" (any case), is a valid WAV and is
// little-endian ("RIFF") 16-bit mono at 16000 Hz: the only form the service
// takes. Reads the header only.
bool isUsableWav(const QString &mediaPath);

// "<scratch folder>/<media file name with extension>-<hash>.wav", the hash
// taken from the absolute media path: two files of one name in different
// folders never share (and overwrite) one WAV.
QString wavOutputPathFor(const QString &mediaPath, const QString &scratchFolder);

// Largest magnitude among signed 16-bit host-order samples (0 for silence).
int peakSample(const char *samples, quint64 byteCount);

// 32767 / peak when the audio is quiet (0 < peak < 20000); none when it is
// loud enough or silent.
std::optional<float> gainForPeak(int peak);

// gainForPeak of a WAV file's peak; none when it is not a valid WAV. The
// samples are read in blocks, never held whole.
std::optional<float> normalisationGain(const QString &wavPath);

// The gain as the volume filter gets it: "%.2f".
QString formatGain(float gain);

// The three ffmpeg steps' argument lists.
QStringList extractAudioArguments(const QString &source, const QString &target);
QStringList resampleArguments(const QString &source, const QString &target);
QStringList volumeArguments(const QString &source, float gain, const QString &target);

// What a caller may watch and stop during a conversion.
struct ConversionControl
{
    std::function<void(int percent)> progress; // 0..100 over all steps; on the caller's thread
    const std::atomic<bool> *cancel = nullptr;  // stops the running ffmpeg when set
};

// Runs the conversion into `output`. The intermediate "raw.wav" and
// "raw1.wav" live in a fresh private folder under `scratchFolder` (the
// output's folder when empty), removed afterwards, so concurrent conversions
// never share them. False when a path is empty, the private folder cannot be
// made, ffmpeg cannot be started, the run was cancelled or no output was
// written. True only says an output exists: probe it to know whether it is usable.
bool convertToWav(const QString &source, const QString &output, const QString &scratchFolder = QString(),
                  const ConversionControl &control = ConversionControl());

// The WAV to use for a media file: the file itself when it is usable,
// otherwise wavOutputPathFor(media, scratch) after converting into it.
QString prepareWavForMedia(const QString &mediaPath, const QString &scratchFolder,
                           const ConversionControl &control = ConversionControl());

// Whole seconds of 16 kHz mono 16-bit audio (data size / 32000), from the
// header; 0 when the file is not a valid WAV.
int wavDurationSeconds(const QString &wavPath);

// Where the service copy of a transcript goes: the path with ".txt" appended.
QString transcriptCopyPath(const QString &transcriptPath);

// The transcript to send, in GBK as the service reads it: a GBK copy when
// the transcript is UTF-8, or holds characters beyond GBK, and the copy was
// written; otherwise the transcript as given. Characters GBK cannot hold
// become "?" in the copy and are listed in `lost` (when given).
// This form writes the copy next to the transcript (transcriptCopyPath).
QString transcriptForService(const QString &transcriptPath, QString *lost = nullptr);
// This one writes it, named as above, into `copyFolder`, so the user's folder
// is left alone (and may be read-only).
QString transcriptForService(const QString &transcriptPath, const QString &copyFolder, QString *lost);
