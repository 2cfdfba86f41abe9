#pragma once
// Where the speech is: one decision per 10 ms frame of 16 kHz audio, from
// WebRTC's detector gated by the local noise floor (NoiseFloor.h), and the
// pauses between speech.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cw::engines {

struct Span {
    int64_t startMs = 0;
    int64_t endMs = 0;
    int64_t lengthMs() const { return endMs - startMs; }
};

constexpr int kVadFrameMs = 10;

// 1 = speech, one entry per whole 10 ms frame. Empty when the detector
// cannot run (the caller then treats everything as speech).
std::vector<uint8_t> detectSpeechFrames(const int16_t *samples, size_t count, int sampleRate = 16000);

// Runs of non-speech frames of at least minMs, in order. Silence at the very
// start and end of the audio counts as a pause too.
std::vector<Span> findPauses(const std::vector<uint8_t> &speechFrames, int64_t minMs);

// Speech regions between pauses of at least minPauseMs, in order.
std::vector<Span> findSpeech(const std::vector<uint8_t> &speechFrames, int64_t minPauseMs);

}  // namespace cw::engines
