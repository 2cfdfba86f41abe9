#pragma once
// Recognised words into subtitle lines a viewer can read: at most 42
// characters and 7 s, at least 0.83 s on screen, at most 20 characters a
// second where the speech leaves room, cut at pauses, never between a word
// and its punctuation. Chinese and Japanese are counted in characters and
// written without spaces.

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
    int64_t minMs = 830;
    double maxCharsPerSecond = 20;
    int64_t pauseMs = 300;  // a silence this long is where a line likes to end
};

// Characters as a reader counts them: code points, not bytes (a stray
// invalid byte counts as one).
size_t displayLength(const std::string &utf8);

// True when the two pieces are written together (Han, kana, full-width
// forms on either side of the join).
bool joinsWithoutSpace(const std::string &left, const std::string &right);

// Words must be in time order. Chooses the cuts that best keep the rules
// above (a line may break the reading speed only where the speech is that
// fast). Each line starts at its first word and ends at its last, held
// longer into the following silence for its minimum time and reading speed,
// never past the next line, 7 s or audioMs (when not negative). A word made
// only of punctuation joins the word it belongs to; a word longer than
// maxChars is cut in pieces. Lines start with a capital where a sentence
// starts (every line when the words carry no punctuation); a line's
// confidence is the mean of its words'.
std::vector<TimedLine> segmentWords(const std::vector<TimedWord> &words, const SegmentRules &rules = {},
                                    int64_t audioMs = -1);

}  // namespace cw::engines
