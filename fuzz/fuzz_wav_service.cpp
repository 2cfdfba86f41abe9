// The service's WAV reader: the header bytes it was sent and a file size that
// may be more or less than those bytes.

#include "WavFormat.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    // The first four bytes say how the claimed file size differs from the bytes
    // at hand: a head of a longer upload, or a file cut short.
    int32_t slack = 0;
    std::memcpy(&slack, data, 4);
    const uint8_t *head = data + 4;
    const size_t headSize = size - 4;
    const int64_t fileSize = int64_t(headSize) + (slack % 65536);
    if (fileSize < 0)
        return 0;
    std::string reason;
    const auto layout = cw::service::parseWav(head, headSize, fileSize, &reason);
    if (layout) {
        if (!(layout->dataOffset >= 20 && layout->dataOffset <= int64_t(headSize) && layout->dataBytes > 0
              && layout->dataBytes % 2 == 0 && layout->dataOffset + layout->dataBytes <= fileSize
              && layout->chargedSeconds() >= 1)) {
            std::fprintf(stderr, "bad layout: offset %lld, bytes %lld, file %lld\n", (long long)layout->dataOffset,
                         (long long)layout->dataBytes, (long long)fileSize);
            std::abort();
        }
    } else if (reason.empty()) {
        std::fprintf(stderr, "refused without a reason\n");
        std::abort();
    }
    return 0;
}
