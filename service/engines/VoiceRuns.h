#pragma once
// Splits a transcript line into runs that one synthesiser voice can read:
// Han characters go to the Mandarin voice, Latin words to English. Digits,
// spaces and punctuation stay with the run they sit in.

#include <string>
#include <vector>

namespace cw::engines {

enum class Script { Han, Latin };

struct VoiceRun {
    Script script = Script::Latin;
    std::string text;  // UTF-8
};

std::vector<VoiceRun> splitVoiceRuns(const std::string &utf8Line, Script fallback);

// True when any character of the text is a Han ideograph.
bool containsHan(const std::string &utf8);

}  // namespace cw::engines
