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

void fitWordsToPauses(std::vector<TimedWord> &words, const std::vector<Span> &pauses) {
    size_t first = 0;  // pauses ending before the current word are done
    for (size_t i = 0; i < words.size(); ++i) {
        TimedWord &word = words[i];
        while (first < pauses.size() && pauses[first].endMs <= word.startMs)
            ++first;
        for (size_t q = first; q < pauses.size() && pauses[q].startMs < word.endMs; ++q) {
            const Span &pause = pauses[q];
            if (word.startMs >= pause.startMs && pause.endMs < word.endMs) {
                word.startMs = pause.endMs;
            } else if (word.endMs <= pause.endMs && pause.startMs > word.startMs) {
                word.endMs = pause.startMs;
            } else if (word.startMs < pause.startMs && pause.endMs < word.endMs) {
                // A word across a whole pause belongs to its longer side.
                if (pause.startMs - word.startMs >= word.endMs - pause.endMs)
                    word.endMs = pause.startMs;
                else
                    word.startMs = pause.endMs;
            }
        }
    }
    size_t p = 0;
    for (size_t i = 1; i < words.size(); ++i) {
        const int64_t gapStart = words[i - 1].endMs, gapEnd = words[i].startMs;
        while (p < pauses.size() && pauses[p].startMs < gapStart)
            ++p;
        if (p < pauses.size() && pauses[p].endMs <= gapEnd)
            words[i].pauseBefore = true;
    }
}

std::vector<TimedLine> segmentWords(const std::vector<TimedWord> &words, const SegmentRules &rules) {
    std::vector<TimedLine> lines;
    std::vector<size_t> wordsOf;  // per line; the line's confidence holds the sum until the end
    bool open = false;
    for (const TimedWord &word : words) {
        if (word.text.empty())
            continue;
        if (open) {
            TimedLine &line = lines.back();
            const bool pause = word.pauseBefore || word.startMs - line.endMs >= rules.pauseMs;
            const bool tooLong = line.text.size() + 1 + word.text.size() > rules.maxChars;
            const bool tooSlow = std::max(word.endMs, word.startMs) - line.startMs > rules.maxMs;
            if (!pause && !tooLong && !tooSlow) {
                line.text += ' ';
                line.text += word.text;
                line.endMs = std::max(line.endMs, word.endMs);
                line.confidence += word.confidence;
                ++wordsOf.back();
                continue;
            }
        }
        TimedLine line;
        line.text = word.text;
        line.startMs = lines.empty() ? word.startMs : std::max(word.startMs, lines.back().endMs);
        line.endMs = std::max(word.endMs, line.startMs + 1);
        line.confidence = word.confidence;
        lines.push_back(std::move(line));
        wordsOf.push_back(1);
        open = true;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        capitalise(lines[i].text);
        lines[i].confidence /= double(wordsOf[i]);
    }
    return lines;
}

}  // namespace cw::engines
