#pragma once

#include <string>
#include <vector>

namespace cw::service {

// The transcript's non-blank lines in order, trimmed, as UTF-8. The bytes are
// UTF-8 (with or without a byte-order mark) when they decode as such, else GBK.
std::vector<std::string> transcriptLines(const std::string &bytes);

}  // namespace cw::service
