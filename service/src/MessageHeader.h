#pragma once
// The fixed 24-byte frame header: six little-endian 32-bit fields.

#include <array>
#include <cstdint>
#include <string>

namespace cw::service {

constexpr uint32_t kMagic = 7099;
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 24;
constexpr int32_t kMaxBodySize = 1 << 20;

enum RequestKind : int32_t {
    KindRegister = 1,
    KindLogin = 2,
    KindRecharge = 3,
    KindChangePassword = 4,
    KindCheckSession = 5,
    KindTranscribe = 6,
    KindQuery = 7,
    KindLogout = 8,
    KindRecords = 9,
    KindBalance = 10,
};

struct MessageHeader {
    uint32_t magic = kMagic;
    uint32_t version = kVersion;
    int32_t kind = 0;
    int32_t status = 0;
    int32_t hasBody = 0;
    int32_t length = 0;
};

using HeaderBytes = std::array<uint8_t, kHeaderSize>;

HeaderBytes encodeHeader(const MessageHeader &header);
MessageHeader decodeHeader(const uint8_t *bytes);

enum class HeaderVerdict {
    Ok,
    BadMagic,     // not our protocol: close without a word
    BadVersion,   // likewise
    UnknownKind,  // likewise: no reply kind exists for it
    BadLength,    // negative or over the body limit: answered, body never read
};

HeaderVerdict checkRequestHeader(const MessageHeader &header);
bool isKnownKind(int32_t kind);
// Bytes of the request body to read (0 when the header says there is none).
int32_t requestBodyLength(const MessageHeader &header);

// A complete reply frame: header (kind 100 + request kind) and body.
std::string encodeReply(int32_t requestKind, int32_t status, const std::string &body);
// A reply without body whose length field carries a value of its own.
std::string encodeBodilessReply(int32_t requestKind, int32_t status, int32_t lengthField);

}  // namespace cw::service
