#pragma once
// The transcript of an alignment job as entries to align. Pure functions.

#include <string>
#include <vector>

namespace cw::service {

struct TranscriptEntry {
    std::string text;    // as written, UTF-8, one line: it goes back in the result
    std::string spoken;  // the text without markup, for the synthesiser
};

struct Transcript {
    bool srt = false;  // read as subtitle blocks rather than one entry per line
    std::vector<TranscriptEntry> entries;
};

// The bytes are UTF-8 (with or without a byte-order mark) when they decode as
// such, else GBK; lines end in LF, CR LF or CR.
//
// A transcript whose first non-blank line is a time line ("00:00:01,000 -->
// 00:00:02,500"), or a number followed by one, is a subtitle file: each block
// gives one entry, its text lines joined by a space; index and time lines are
// dropped, and lines found after a block's blank line join that block. Any
// other transcript gives one entry per non-blank line. Texts are trimmed;
// blocks without text give nothing.
Transcript readTranscript(const std::string &bytes);

// Tags such as <i> or </font> and override blocks such as {\an8} removed,
// white space collapsed.
std::string withoutMarkup(const std::string &text);

}  // namespace cw::service
