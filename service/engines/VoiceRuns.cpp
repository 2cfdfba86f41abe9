#include "VoiceRuns.h"

#include <cstdint>

namespace cw::engines {

namespace {

// Decodes one UTF-8 character at text[pos]; malformed bytes count as one
// neutral character so odd input never stalls the scan.
uint32_t nextCodePoint(const std::string &text, size_t &pos) {
    const auto byte = [&](size_t i) { return uint8_t(text[i]); };
    const uint8_t lead = byte(pos);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || pos + size_t(extra) >= text.size()) {
        ++pos;
        return 0xFFFD;
    }
    uint32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    pos += size_t(extra) + 1;
    return cp;
}

bool isHan(uint32_t cp) {
    return (cp >= 0x3400 && cp <= 0x4DBF) || (cp >= 0x4E00 && cp <= 0x9FFF) ||
           (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0x20000 && cp <= 0x2FFFF);
}

bool isLatinLetter(uint32_t cp) {
    return (cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z') ||
           (cp >= 0xC0 && cp <= 0x24F && cp != 0xD7 && cp != 0xF7);
}

}  // namespace

bool containsHan(const std::string &utf8) {
    for (size_t pos = 0; pos < utf8.size();)
        if (isHan(nextCodePoint(utf8, pos)))
            return true;
    return false;
}

std::vector<VoiceRun> splitVoiceRuns(const std::string &utf8Line, Script fallback) {
    std::vector<VoiceRun> runs;
    std::string pendingNeutral;  // text seen before the first letter
    for (size_t pos = 0; pos < utf8Line.size();) {
        const size_t start = pos;
        const uint32_t cp = nextCodePoint(utf8Line, pos);
        const std::string piece = utf8Line.substr(start, pos - start);
        const bool han = isHan(cp);
        if (!han && !isLatinLetter(cp)) {
            if (runs.empty())
                pendingNeutral += piece;
            else
                runs.back().text += piece;
            continue;
        }
        const Script script = han ? Script::Han : Script::Latin;
        if (runs.empty() || runs.back().script != script) {
            runs.push_back({script, std::move(pendingNeutral)});
            pendingNeutral.clear();
        }
        runs.back().text += piece;
    }
    if (runs.empty() && !pendingNeutral.empty())
        runs.push_back({fallback, pendingNeutral});
    return runs;
}

}  // namespace cw::engines
