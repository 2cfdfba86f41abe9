#pragma once

#include <QtGlobal>

// The canonical 36-byte RIFF WAVE header, numeric fields in host byte order
// once loaded (a "RIFX" file's header is swapped; its samples are not).
struct WavHead
{
    char chunkId[4] = {0, 0, 0, 0};   // "RIFF" or "RIFX"
    quint32 chunkSize = 0;
    char format[4] = {0, 0, 0, 0};    // "WAVE"
    char fmtChunkId[4] = {0, 0, 0, 0}; // "fmt "
    quint32 fmtChunkSize = 0;
    quint16 formatTag = 0;            // 1 = PCM
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint32 byteRate = 0;
    quint16 blockAlign = 0;
    quint16 bitsPerSample = 0;
};

static_assert(sizeof(WavHead) == 36, "WavHead mirrors the 36-byte file header");
