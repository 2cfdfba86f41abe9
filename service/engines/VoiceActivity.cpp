#include "VoiceActivity.h"

#include "NoiseFloor.h"

#include <algorithm>

// Debian's libwebrtc-audio-processing exports the detector but ships no
// header for it.
extern "C" {
struct WebRtcVadInst;
WebRtcVadInst *WebRtcVad_Create();
void WebRtcVad_Free(WebRtcVadInst *handle);
int WebRtcVad_Init(WebRtcVadInst *handle);
int WebRtcVad_set_mode(WebRtcVadInst *handle, int mode);
int WebRtcVad_Process(WebRtcVadInst *handle, int fs, const int16_t *frame, size_t frameLength);
}

namespace cw::engines {

namespace {

constexpr int kAggressiveness = 2;
// Frames quieter than this above the local noise floor are never speech, so
// room noise that fools the detector still makes a pause.
constexpr double kEnergyMarginDb = 9.0;
// Hum and breath below this level are not worth a subtitle.
constexpr double kAbsoluteFloorDb = 30.0;

}  // namespace

std::vector<uint8_t> detectSpeechFrames(const int16_t *samples, size_t count, int sampleRate) {
    if (sampleRate != 8000 && sampleRate != 16000 && sampleRate != 32000 && sampleRate != 48000)
        return {};
    const size_t frameLength = size_t(sampleRate / 1000 * kVadFrameMs);
    WebRtcVadInst *vad = WebRtcVad_Create();
    if (!vad)
        return {};
    if (WebRtcVad_Init(vad) != 0 || WebRtcVad_set_mode(vad, kAggressiveness) != 0) {
        WebRtcVad_Free(vad);
        return {};
    }
    const FrameLevels levels = measureFrames(samples, count, frameLength);
    std::vector<uint8_t> flags =
        framesAboveFloor(levels, localNoiseFloor(levels), kEnergyMarginDb, kAbsoluteFloorDb);
    for (size_t f = 0; f < flags.size(); ++f) {
        const int voiced = WebRtcVad_Process(vad, sampleRate, samples + f * frameLength, frameLength);
        flags[f] = voiced > 0 && flags[f] ? 1 : 0;
    }
    WebRtcVad_Free(vad);
    return flags;
}

std::vector<Span> findPauses(const std::vector<uint8_t> &speechFrames, int64_t minMs) {
    std::vector<Span> pauses;
    const size_t n = speechFrames.size();
    for (size_t f = 0; f < n;) {
        if (speechFrames[f]) {
            ++f;
            continue;
        }
        const size_t start = f;
        while (f < n && !speechFrames[f])
            ++f;
        const Span pause{int64_t(start) * kVadFrameMs, int64_t(f) * kVadFrameMs};
        if (pause.lengthMs() >= minMs)
            pauses.push_back(pause);
    }
    return pauses;
}

std::vector<Span> findSpeech(const std::vector<uint8_t> &speechFrames, int64_t minPauseMs) {
    std::vector<Span> speech;
    const int64_t totalMs = int64_t(speechFrames.size()) * kVadFrameMs;
    int64_t cursor = 0;
    for (const Span &pause : findPauses(speechFrames, minPauseMs)) {
        if (pause.startMs > cursor)
            speech.push_back({cursor, pause.startMs});
        cursor = pause.endMs;
    }
    if (cursor < totalMs)
        speech.push_back({cursor, totalMs});
    // A region made only of short gaps between pauses is not speech.
    std::vector<Span> out;
    for (const Span &s : speech) {
        const size_t a = size_t(s.startMs / kVadFrameMs), b = size_t(s.endMs / kVadFrameMs);
        if (std::any_of(speechFrames.begin() + long(a), speechFrames.begin() + long(b),
                        [](uint8_t v) { return v != 0; }))
            out.push_back(s);
    }
    return out;
}

}  // namespace cw::engines
