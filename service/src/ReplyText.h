#pragma once
// Texts the service sends back: log-in body, result text, record lines,
// progress bodies. Pure functions, no I/O.

#include "engines/SpeechEngine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cw::service {

std::string loginReplyBody(const std::string &session);
std::string progressBody(int total, int done);

// "HH:MM:SS,mmm"; hours grow past two digits rather than wrap.
std::string clockText(int64_t ms);
// 0..100, rounded; values outside 0..1 are clamped, NaN gives 0.
int confidencePercent(double confidence);
// One block per entry: "number,confidence" (from 1; confidencePercent), the
// times, the text on one line in GBK, an empty line.
std::string resultText(const std::vector<engines::TimedLine> &lines);

// Record fields are comma-separated and one per line, so those bytes cannot
// appear inside a field. Safe on GBK: no GBK trail byte is ',' or a line end.
std::string fieldText(const std::string &raw);
std::string localTimeText(int64_t epochSeconds);
std::string recordLine(int64_t at, char sign, const std::string &amount, int64_t seconds);
std::string queryLine(int64_t at, const std::string &filename, int64_t seconds, const std::string &state);
std::string joinLines(const std::vector<std::string> &lines);

}  // namespace cw::service
