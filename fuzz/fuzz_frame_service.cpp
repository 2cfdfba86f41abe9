// The service's side of the frame: request headers and the replies it builds.

#include "MessageHeader.h"
#include "FuzzCheck.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace cw::service;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < kHeaderSize)
        return 0;
    const MessageHeader header = decodeHeader(data);
    const HeaderBytes again = encodeHeader(header);
    FUZZ_CHECK(std::memcmp(again.data(), data, kHeaderSize) == 0);

    const HeaderVerdict verdict = checkRequestHeader(header);
    const int32_t length = requestBodyLength(header);
    FUZZ_CHECK(length >= 0);
    // A header that passes never makes the server read more than the limit.
    if (verdict == HeaderVerdict::Ok) {
        FUZZ_CHECK(length <= kMaxBodySize);
        FUZZ_CHECK(isKnownKind(header.kind));
    }

    // The server replies only to kinds it knows (others are closed silently).
    if (!isKnownKind(header.kind))
        return 0;
    // A reply carrying the rest of the input as its body decodes to itself.
    const std::string body(reinterpret_cast<const char *>(data) + kHeaderSize, size - kHeaderSize);
    const std::string reply = encodeReply(header.kind, header.status, body);
    FUZZ_CHECK(reply.size() == kHeaderSize + body.size());
    const MessageHeader replyHeader = decodeHeader(reinterpret_cast<const uint8_t *>(reply.data()));
    FUZZ_CHECK(replyHeader.magic == kMagic && replyHeader.version == kVersion);
    FUZZ_CHECK(replyHeader.status == header.status);
    FUZZ_CHECK(requestBodyLength(replyHeader) == int32_t(body.size()));
    FUZZ_CHECK(reply.compare(kHeaderSize, std::string::npos, body) == 0);

    const std::string bodiless = encodeBodilessReply(header.kind, header.status, header.length);
    FUZZ_CHECK(bodiless.size() == kHeaderSize);
    FUZZ_CHECK(requestBodyLength(decodeHeader(reinterpret_cast<const uint8_t *>(bodiless.data()))) == 0);
    return 0;
}
