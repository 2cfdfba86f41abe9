#include "ResultBlocks.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace cw::testing {

namespace {

long long parseClock(const std::string &text)
{
    int h = 0, m = 0, s = 0, ms = 0;
    std::sscanf(text.c_str(), "%d:%d:%d,%d", &h, &m, &s, &ms);
    return ((h * 60LL + m) * 60 + s) * 1000 + ms;
}

}  // namespace

std::vector<ResultBlock> parseResultBlocks(const std::string &text)
{
    std::vector<ResultBlock> blocks;
    std::istringstream in(text);
    std::string number, times, words, blank;
    while (std::getline(in, number) && std::getline(in, times) && std::getline(in, words)) {
        std::getline(in, blank);
        ResultBlock block;
        int first = 0, second = 0, length = 0;
        if (std::sscanf(number.c_str(), "%d,%d%n", &first, &second, &length) == 2 && size_t(length) == number.size()) {
            block.number = first;
            block.confidence = second;
        } else {
            block.number = std::atoi(number.c_str());
        }
        const size_t arrow = times.find(" --> ");
        block.startMs = parseClock(times.substr(0, arrow));
        block.endMs = parseClock(times.substr(arrow + 5));
        block.text = words;
        blocks.push_back(block);
    }
    return blocks;
}

}  // namespace cw::testing
