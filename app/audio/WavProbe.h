#pragma once

#include "audio/WavFile.h"
#include "audio/WavHead.h"

#include <QString>

// A WAV file's header and data location, found without reading the samples:
// the same checks as WavFile::Load, at the same small cost for any length.
struct WavProbe
{
    WavLoadError error = WavLoadError::CannotOpen;
    WavHead head; // numbers in host order
    quint64 fileLength = 0;
    quint32 dataOffset = 0;
    quint32 dataSize = 0;

    bool ok() const { return error == WavLoadError::None; }
};

WavProbe probeWav(const QString &path);

// Little-endian ("RIFF") 16-bit mono at 16000 Hz: the only form the service takes.
bool isServiceWavFormat(const WavProbe &probe);

// Whole seconds of service audio: data size / 32000.
int serviceWavSeconds(const WavProbe &probe);

// Largest magnitude of the file's signed 16-bit samples, read in blocks so a
// long recording never sits in memory; -1 when the file does not probe.
int scanWavPeak(const QString &path);
