#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Turning any media file into the 16 kHz, 16-bit mono WAV the service takes.

// Yes exactly when the path ends in "wav" (any case), loads as a WAV and is
// little-endian ("RIFF") 16-bit mono at 16000 Hz: the only form the service
// takes.
bool isUsableWav(const QString &mediaPath);

// "<scratch folder>/<media file name with extension>.wav".
QString wavOutputPathFor(const QString &mediaPath, const QString &scratchFolder);

// Largest magnitude among signed 16-bit host-order samples (0 for silence).
int peakSample(const char *samples, quint64 byteCount);

// 32767 / peak when the audio is quiet (0 < peak < 20000); none when it is
// loud enough or silent.
std::optional<float> gainForPeak(int peak);

// gainForPeak of a WAV file's peak; none when it does not load.
std::optional<float> normalisationGain(const QString &wavPath);

// The gain as the volume filter gets it: "%.2f".
QString formatGain(float gain);

// The three ffmpeg steps' argument lists.
QStringList extractAudioArguments(const QString &source, const QString &target);
QStringList resampleArguments(const QString &source, const QString &target);
QStringList volumeArguments(const QString &source, float gain, const QString &target);

// Runs the conversion into `output`. The intermediate "raw.wav" and
// "raw1.wav" live in a fresh private folder under `scratchFolder` (the
// output's folder when empty), removed afterwards, so concurrent conversions
// never share them. False when a path is empty, the private folder cannot be
// made, ffmpeg cannot be started or no output was written. True only says an
// output exists: load it to know whether it is usable.
bool convertToWav(const QString &source, const QString &output, const QString &scratchFolder = QString());

// The WAV to use for a media file: the file itself when it is usable,
// otherwise wavOutputPathFor(media, scratch) after converting into it.
QString prepareWavForMedia(const QString &mediaPath, const QString &scratchFolder);

// Whole seconds of 16 kHz mono 16-bit audio (data size / 32000); 0 when the
// file does not load.
int wavDurationSeconds(const QString &wavPath);

// Where the service copy of a transcript goes: the path with ".txt" appended.
QString transcriptCopyPath(const QString &transcriptPath);

// The transcript to send: a local-code-page copy next to it when it was
// UTF-8 and the copy was written, otherwise the transcript as given.
QString transcriptForService(const QString &transcriptPath);
