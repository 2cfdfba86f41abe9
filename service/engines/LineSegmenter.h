#pragma once
// Recognised words into subtitle lines a viewer can read: cut at pauses and
// before a line grows past its character or time budget.

#include "SpeechEngine.h"
#include "VoiceActivity.h"

#include <string>
#include <vector>

namespace cw::engines {

struct TimedWord {
    std::string text;
    int64_t startMs = 0;
    int64_t endMs = 0;
    bool pauseBefore = false;  // a detected pause separates it from the word before
    double confidence = 1.0;   // 0..1
};

// The decoder's word edges are loose in silence: pulls word edges that fall
// inside a pause back to the speech, and marks words that follow a pause.
// Pauses in time order.
void fitWordsToPauses(std::vector<TimedWord> &words, const std::vector<Span> &pauses);

struct SegmentRules {
    size_t maxChars = 42;
    int64_t maxMs = 7000;
    int64_t pauseMs = 300;  // a silence this long ends a line
};

// Words must be in time order. A line ends at a pause (marked, or a gap of
// pauseMs between words) and before it would pass maxChars or maxMs. Each
// line starts at its first word and ends at its last; its first letter is
// capitalised; its confidence is the mean of its words'.
std::vector<TimedLine> segmentWords(const std::vector<TimedWord> &words, const SegmentRules &rules = {});

}  // namespace cw::engines
