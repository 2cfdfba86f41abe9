#pragma once
// Text to 16 kHz speech in memory through libespeak-ng. The library keeps
// global state, so every call is serialised across threads.

#include "SpeechEngine.h"
#include "VoiceRuns.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cw::engines {

class SpeechSynthesizer {
public:
    static constexpr int kSampleRate = 16000;

    // Another speaker for test material: a voice variant ("f3") and a rate
    // in words per minute (0 = the voice's own).
    void setSpeaker(std::string variant, int wordsPerMinute) {
        variant_ = std::move(variant);
        rate_ = wordsPerMinute;
    }

    // Speech for one line, voices chosen per script run, trimmed of the
    // silence the synthesiser puts around it. Empty when nothing is
    // pronounceable (or on cancel / library failure; see lastError()).
    std::vector<int16_t> speak(const std::string &utf8Line, Script fallback, const CancelFn &cancel);

    const std::string &lastError() const { return lastError_; }

private:
    std::string lastError_;
    std::string variant_;
    int rate_ = 0;
};

// Index range [first, last) of samples louder than the threshold; first ==
// last when none is.
std::pair<size_t, size_t> audibleRange(const std::vector<int16_t> &samples, int threshold);

}  // namespace cw::engines
