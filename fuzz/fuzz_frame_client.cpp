// The client library's frame decoder: replies as they arrive from the socket,
// possibly several in one read.

#include "frame.h"
#include "FuzzCheck.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    size_t offset = 0;
    while (offset < size) {
        ServiceMessage *message = nullptr;
        size_t consumed = 0;
        const VxFrameResult result = vx_decode_frame(data + offset, size - offset, &message, &consumed);
        if (result != VX_FRAME_OK) {
            FUZZ_CHECK(message == nullptr && consumed == 0);
            break;
        }
        FUZZ_CHECK(message != nullptr);
        FUZZ_CHECK(consumed >= VX_HEADER_SIZE && consumed <= size - offset);
        FUZZ_CHECK(consumed == VX_HEADER_SIZE + message->body_size);
        FUZZ_CHECK(message->body_size <= VX_MAX_BODY_SIZE);
        if (message->body) {
            FUZZ_CHECK(message->body[message->body_size] == '\0');
            FUZZ_CHECK(std::memcmp(message->body, data + offset + VX_HEADER_SIZE, message->body_size) == 0);
        }
        // Encoding the decoded message gives back the bytes it came from.
        size_t encodedSize = 0;
        uint8_t *encoded = vx_encode_frame(message, &encodedSize);
        FUZZ_CHECK(encoded != nullptr && encodedSize == consumed);
        FUZZ_CHECK(std::memcmp(encoded, data + offset, consumed) == 0);
        std::free(encoded);
        vx_message_free(message);
        offset += consumed;
    }

    // The header alone, as a reader that has only the first 24 bytes sees it.
    if (size >= VX_HEADER_SIZE) {
        const MessageHeader header = vx_header_decode(data);
        uint8_t again[VX_HEADER_SIZE];
        vx_header_encode(&header, again);
        FUZZ_CHECK(std::memcmp(again, data, VX_HEADER_SIZE) == 0);
        size_t bodySize = 0;
        if (vx_header_body_size(&header, &bodySize) == VX_FRAME_OK)
            FUZZ_CHECK(bodySize <= VX_MAX_BODY_SIZE);
    }
    return 0;
}
