#include "LineSegmenter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace cw::engines {

namespace {

// One code point at i (advancing i); a stray byte is one replacement character.
char32_t decodeAt(const std::string &s, size_t &i) {
    const unsigned char lead = static_cast<unsigned char>(s[i]);
    const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || s.size() - i <= size_t(extra)) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = extra == 0 ? lead : char32_t(lead & (0x3F >> extra));
    for (int k = 1; k <= extra; ++k) {
        const unsigned char c = static_cast<unsigned char>(s[i + size_t(k)]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    i += size_t(extra) + 1;
    return cp;
}

std::vector<char32_t> codePoints(const std::string &s) {
    std::vector<char32_t> out;
    for (size_t i = 0; i < s.size();)
        out.push_back(decodeAt(s, i));
    return out;
}

// Scripts written without spaces between words, and their full-width marks.
bool isWide(char32_t cp) {
    return (cp >= 0x2E80 && cp <= 0x9FFF) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
           (cp >= 0xFF00 && cp <= 0xFFEF) || (cp >= 0x20000 && cp <= 0x3FFFF);
}

bool isIn(char32_t cp, const char32_t *set) {
    for (; *set; ++set)
        if (*set == cp)
            return true;
    return false;
}

constexpr char32_t kClosing[] = U",.!?;:%)]}\u00BB\u201D\u2019\u2026\u2014-'\u3002\uFF0C\u3001\uFF01\uFF1F\uFF1B\uFF1A"
                                U"\uFF09\u300D\u300F\u300B\u3009\u3011\u3015\uFF5E\uFF0E";
constexpr char32_t kOpening[] = U"([{\u00AB\u201C\u2018\u00BF\u00A1\u300C\u300E\u300A\u3008\u3010\u3014\uFF08";
constexpr char32_t kSentenceEnd[] = U".!?\u2026\u3002\uFF01\uFF1F\uFF0E";
constexpr char32_t kClauseEnd[] = U",;:\u2014-\uFF0C\u3001\uFF1B\uFF1A";
// Closing marks that may follow a sentence's full stop.
constexpr char32_t kAfterEnd[] = U"\"')]}\u00BB\u201D\u2019\uFF09\u300D\u300F\u300B";

bool allOf(const std::vector<char32_t> &cps, const char32_t *set) {
    return !cps.empty() && std::all_of(cps.begin(), cps.end(), [set](char32_t cp) { return isIn(cp, set); });
}

bool endsWithOneOf(const std::string &text, const char32_t *set) {
    std::vector<char32_t> cps = codePoints(text);
    while (!cps.empty() && isIn(cps.back(), kAfterEnd))
        cps.pop_back();
    return !cps.empty() && isIn(cps.back(), set);
}

std::string trimmed(const std::string &text) {
    size_t first = 0, last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

// Words as they can be shown: punctuation stuck to its word, so no cut
// and no space ever comes between them.
struct Unit {
    std::string text;
    int64_t startMs = 0, endMs = 0;
    bool pauseBefore = false;
    bool glued = false;  // written without a space after the unit before
    double confidenceSum = 0;
    int words = 0;
    size_t chars = 0;
    bool sentenceEnd = false, clauseEnd = false;
};

enum class Mark { None, Closing, Opening };

Mark markOf(const std::string &text, bool &quoteOpen) {
    const std::vector<char32_t> cps = codePoints(text);
    const size_t quotes = size_t(std::count(text.begin(), text.end(), '"'));
    if (quotes == cps.size() && quotes > 0) {
        const bool opening = !quoteOpen;
        if (quotes % 2)
            quoteOpen = !quoteOpen;
        return opening ? Mark::Opening : Mark::Closing;
    }
    if (quotes % 2)
        quoteOpen = !quoteOpen;
    if (allOf(cps, kClosing))
        return Mark::Closing;
    if (allOf(cps, kOpening))
        return Mark::Opening;
    return Mark::None;
}

std::vector<Unit> buildUnits(const std::vector<TimedWord> &words) {
    std::vector<Unit> units;
    Unit opening;  // opening marks waiting for their word
    bool quoteOpen = false;
    for (const TimedWord &word : words) {
        const std::string text = trimmed(word.text);
        if (text.empty())
            continue;
        const Mark mark = markOf(text, quoteOpen);
        if (mark == Mark::Closing && !units.empty() && opening.words == 0) {
            Unit &last = units.back();
            last.text += text;
            last.endMs = std::max(last.endMs, word.endMs);
            last.confidenceSum += word.confidence;
            ++last.words;
            continue;
        }
        if (mark != Mark::None) {
            if (opening.words == 0) {
                opening.startMs = word.startMs;
                opening.pauseBefore = word.pauseBefore;
            }
            opening.text += text;
            opening.endMs = std::max(opening.endMs, word.endMs);
            opening.confidenceSum += word.confidence;
            ++opening.words;
            continue;
        }
        Unit unit;
        unit.text = opening.text + text;
        unit.startMs = opening.words ? opening.startMs : word.startMs;
        unit.endMs = std::max(opening.endMs, word.endMs);
        unit.pauseBefore = opening.words ? opening.pauseBefore : word.pauseBefore;
        unit.confidenceSum = opening.confidenceSum + word.confidence;
        unit.words = opening.words + 1;
        units.push_back(std::move(unit));
        opening = Unit();
    }
    if (opening.words) {  // marks with no word after them
        if (units.empty()) {
            units.push_back(opening);
        } else {
            units.back().text += opening.text;
            units.back().endMs = std::max(units.back().endMs, opening.endMs);
            units.back().confidenceSum += opening.confidenceSum;
            units.back().words += opening.words;
        }
    }
    for (size_t k = 0; k < units.size(); ++k) {
        Unit &u = units[k];
        u.endMs = std::max(u.endMs, u.startMs);
        u.glued = k > 0 && joinsWithoutSpace(units[k - 1].text, u.text);
        u.chars = displayLength(u.text);
    }
    return units;
}

std::string encode(const std::vector<char32_t> &cps, size_t from, size_t to) {
    std::string out;
    for (size_t k = from; k < to; ++k) {
        const char32_t cp = cps[k];
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// A unit longer than a line (a run of Han characters the engine gave as one
// word, say) is cut into pieces with times shared out by characters; a
// piece never starts with a closing mark.
std::vector<Unit> splitLongUnits(std::vector<Unit> units, size_t maxChars) {
    std::vector<Unit> out;
    for (Unit &u : units) {
        if (u.chars <= maxChars || maxChars == 0) {
            out.push_back(std::move(u));
            continue;
        }
        const std::vector<char32_t> cps = codePoints(u.text);
        const double confidence = u.confidenceSum / std::max(1, u.words);
        for (size_t from = 0; from < cps.size();) {
            size_t to = std::min(cps.size(), from + maxChars);
            while (to < cps.size() && to > from + 1 && isIn(cps[to], kClosing))
                --to;
            Unit piece;
            piece.text = encode(cps, from, to);
            piece.startMs = u.startMs + (u.endMs - u.startMs) * int64_t(from) / int64_t(cps.size());
            piece.endMs = u.startMs + (u.endMs - u.startMs) * int64_t(to) / int64_t(cps.size());
            piece.pauseBefore = from == 0 && u.pauseBefore;
            piece.glued = from == 0 ? u.glued : true;
            piece.confidenceSum = confidence;
            piece.words = 1;
            piece.chars = to - from;
            out.push_back(std::move(piece));
            from = to;
        }
    }
    for (Unit &u : out) {
        u.sentenceEnd = endsWithOneOf(u.text, kSentenceEnd);
        u.clauseEnd = !u.sentenceEnd && endsWithOneOf(u.text, kClauseEnd);
    }
    return out;
}

// What each choice costs, in units of one line. A cut inside speech or a
// sentence, a line held across a pause, and every 25 ms a line is short of
// its minimum time or reading time each cost about one line.
constexpr double kLine = 1;
constexpr double kCutInSpeech = 3;      // scaled down as the gap nears a pause
constexpr double kCutInSentence = 2;
constexpr double kCutAtClause = 1;
constexpr double kJoinAcrossPause = 4;
constexpr double kJoinPausePerSecond = 4;
constexpr double kJoinSentences = 0.5;
constexpr double kShortPerSecond = 40;

class Segmentation {
public:
    Segmentation(const std::vector<Unit> &units, const SegmentRules &rules, int64_t audioMs)
        : u_(units), rules_(rules), audioMs_(audioMs) {
        punctuated_ = std::any_of(u_.begin(), u_.end(), [](const Unit &x) { return x.sentenceEnd || x.clauseEnd; });
    }

    // First unit of each line, in order.
    std::vector<size_t> bestStarts() const {
        const size_t n = u_.size();
        std::vector<double> best(n + 1, std::numeric_limits<double>::infinity());
        std::vector<size_t> from(n + 1, 0);
        best[0] = 0;
        for (size_t j = 1; j <= n; ++j) {
            size_t chars = 0;
            double joins = 0;
            int64_t lastEnd = 0;
            for (size_t i = j; i-- > 0;) {
                chars += u_[i].chars + (i + 1 < j && !u_[i + 1].glued ? 1 : 0);
                lastEnd = std::max(lastEnd, u_[i].endMs);
                if (i + 1 < j) {
                    joins += joinCost(i + 1);
                    if (chars > rules_.maxChars || lastEnd - u_[i].startMs > rules_.maxMs)
                        break;
                }
                const double cost = best[i] + joins + lineCost(i, j, chars, lastEnd) + (j < n ? cutCost(j) : 0);
                if (cost < best[j]) {
                    best[j] = cost;
                    from[j] = i;
                }
            }
        }
        std::vector<size_t> starts;
        for (size_t j = n; j > 0; j = from[j])
            starts.push_back(from[j]);
        std::reverse(starts.begin(), starts.end());
        return starts;
    }

    int64_t neededMs(size_t chars) const {
        const double reading = rules_.maxCharsPerSecond > 0 ? std::ceil(double(chars) * 1000 / rules_.maxCharsPerSecond) : 0;
        return std::max(rules_.minMs, int64_t(reading));
    }

    // Up to where the line [i, j) may stay on screen.
    int64_t windowEnd(size_t i, size_t j, int64_t lastEnd, size_t chars) const {
        if (j < u_.size())
            return std::max(u_[j].startMs, lastEnd);
        return audioMs_ >= 0 ? std::max(audioMs_, lastEnd) : std::max(lastEnd, u_[i].startMs + neededMs(chars));
    }

    bool punctuated() const { return punctuated_; }

private:
    int64_t gapBefore(size_t k) const { return std::max<int64_t>(0, u_[k].startMs - u_[k - 1].endMs); }
    bool pauseBefore(size_t k) const { return u_[k].pauseBefore || gapBefore(k) >= rules_.pauseMs; }

    double cutCost(size_t k) const {
        double cost = pauseBefore(k) ? 0 : kCutInSpeech * (1 - double(gapBefore(k)) / double(std::max<int64_t>(1, rules_.pauseMs)));
        if (punctuated_ && !u_[k - 1].sentenceEnd)
            cost += u_[k - 1].clauseEnd ? kCutAtClause : kCutInSentence;
        return cost;
    }

    double joinCost(size_t k) const {
        double cost = pauseBefore(k) ? kJoinAcrossPause + kJoinPausePerSecond * double(gapBefore(k)) / 1000 : 0;
        if (punctuated_ && u_[k - 1].sentenceEnd)
            cost += kJoinSentences;
        return cost;
    }

    double lineCost(size_t i, size_t j, size_t chars, int64_t lastEnd) const {
        const int64_t available = std::min(rules_.maxMs, windowEnd(i, j, lastEnd, chars) - u_[i].startMs);
        const int64_t shortBy = std::max<int64_t>(0, neededMs(chars) - available);
        return kLine + kShortPerSecond * double(shortBy) / 1000;
    }

    const std::vector<Unit> &u_;
    SegmentRules rules_;
    int64_t audioMs_;
    bool punctuated_ = false;
};

void capitalise(std::string &text) {
    if (!text.empty() && std::islower(static_cast<unsigned char>(text[0])))
        text[0] = char(std::toupper(static_cast<unsigned char>(text[0])));
}

}  // namespace

size_t displayLength(const std::string &utf8) {
    size_t count = 0;
    for (size_t i = 0; i < utf8.size(); ++count)
        decodeAt(utf8, i);
    return count;
}

bool joinsWithoutSpace(const std::string &left, const std::string &right) {
    if (left.empty() || right.empty())
        return false;
    const std::vector<char32_t> l = codePoints(left);
    size_t i = 0;
    return isWide(l.back()) || isWide(decodeAt(right, i));
}

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

std::vector<TimedLine> segmentWords(const std::vector<TimedWord> &words, const SegmentRules &rules, int64_t audioMs) {
    const std::vector<Unit> units = splitLongUnits(buildUnits(words), rules.maxChars);
    if (units.empty())
        return {};
    const Segmentation segmentation(units, rules, audioMs);
    std::vector<size_t> starts = segmentation.bestStarts();
    starts.push_back(units.size());

    std::vector<TimedLine> lines;
    for (size_t l = 0; l + 1 < starts.size(); ++l) {
        const size_t i = starts[l], j = starts[l + 1];
        TimedLine line;
        double confidence = 0;
        int count = 0;
        int64_t lastEnd = units[i].endMs;
        for (size_t k = i; k < j; ++k) {
            if (k > i && !units[k].glued)
                line.text += ' ';
            line.text += units[k].text;
            confidence += units[k].confidenceSum;
            count += units[k].words;
            lastEnd = std::max(lastEnd, units[k].endMs);
        }
        const size_t chars = displayLength(line.text);
        // Held into the silence after it for its minimum and reading time.
        line.startMs = units[i].startMs;
        const int64_t held = std::min({line.startMs + segmentation.neededMs(chars),
                                       segmentation.windowEnd(i, j, lastEnd, chars), line.startMs + rules.maxMs});
        line.endMs = std::max(lastEnd, held);
        if (!lines.empty())
            line.startMs = std::max(line.startMs, lines.back().endMs);
        line.endMs = std::max(line.endMs, line.startMs + 1);
        line.confidence = count ? confidence / count : 0;
        const bool sentenceStart = l == 0 || units[i - 1].sentenceEnd;
        if (!segmentation.punctuated() || sentenceStart)
            capitalise(line.text);
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace cw::engines
