#include "LineSegmenter.h"

#include <algorithm>
#include <cctype>

namespace cw::engines {

namespace {

void capitalise(std::string &text) {
    if (!text.empty() && std::islower(static_cast<unsigned char>(text[0])))
        text[0] = char(std::toupper(static_cast<unsigned char>(text[0])));
}

}  // namespace

std::vector<TimedLine> segmentWords(const std::vector<TimedWord> &words, const SegmentRules &rules) {
    std::vector<TimedLine> lines;
    bool open = false;
    for (const TimedWord &word : words) {
        if (word.text.empty())
            continue;
        if (open) {
            TimedLine &line = lines.back();
            const bool pause = word.startMs - line.endMs >= rules.pauseMs;
            const bool tooLong = line.text.size() + 1 + word.text.size() > rules.maxChars;
            const bool tooSlow = std::max(word.endMs, word.startMs) - line.startMs > rules.maxMs;
            if (!pause && !tooLong && !tooSlow) {
                line.text += ' ';
                line.text += word.text;
                line.endMs = std::max(line.endMs, word.endMs);
                continue;
            }
        }
        TimedLine line;
        line.text = word.text;
        line.startMs = lines.empty() ? word.startMs : std::max(word.startMs, lines.back().endMs);
        line.endMs = std::max(word.endMs, line.startMs + 1);
        lines.push_back(std::move(line));
        open = true;
    }
    for (TimedLine &line : lines)
        capitalise(line.text);
    return lines;
}

}  // namespace cw::engines
