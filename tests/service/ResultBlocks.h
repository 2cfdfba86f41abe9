#pragma once
// The service's result as tests read it: SRT blocks whose index line may
// carry ",confidence".

#include <string>
#include <vector>

namespace cw::testing {

struct ResultBlock {
    int number = 0;
    int confidence = -1;  // -1: the index line is not "number,confidence"
    long long startMs = 0, endMs = 0;
    std::string text;
};

std::vector<ResultBlock> parseResultBlocks(const std::string &text);

}  // namespace cw::testing
