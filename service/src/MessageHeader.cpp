#include "MessageHeader.h"

namespace cw::service {

namespace {

void putLe32(uint8_t *out, uint32_t value)
{
    out[0] = uint8_t(value);
    out[1] = uint8_t(value >> 8);
    out[2] = uint8_t(value >> 16);
    out[3] = uint8_t(value >> 24);
}

uint32_t getLe32(const uint8_t *in)
{
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

}  // namespace

HeaderBytes encodeHeader(const MessageHeader &header)
{
    HeaderBytes bytes{};
    putLe32(&bytes[0], header.magic);
    putLe32(&bytes[4], header.version);
    putLe32(&bytes[8], uint32_t(header.kind));
    putLe32(&bytes[12], uint32_t(header.status));
    putLe32(&bytes[16], uint32_t(header.hasBody));
    putLe32(&bytes[20], uint32_t(header.length));
    return bytes;
}

MessageHeader decodeHeader(const uint8_t *bytes)
{
    MessageHeader header;
    header.magic = getLe32(bytes);
    header.version = getLe32(bytes + 4);
    header.kind = int32_t(getLe32(bytes + 8));
    header.status = int32_t(getLe32(bytes + 12));
    header.hasBody = int32_t(getLe32(bytes + 16));
    header.length = int32_t(getLe32(bytes + 20));
    return header;
}

bool isKnownKind(int32_t kind)
{
    return kind >= KindRegister && kind <= KindBalance;
}

HeaderVerdict checkRequestHeader(const MessageHeader &header)
{
    if (header.magic != kMagic)
        return HeaderVerdict::BadMagic;
    if (header.version != kVersion)
        return HeaderVerdict::BadVersion;
    if (!isKnownKind(header.kind))
        return HeaderVerdict::UnknownKind;
    if (header.hasBody != 0 && (header.length < 0 || header.length > kMaxBodySize))
        return HeaderVerdict::BadLength;
    return HeaderVerdict::Ok;
}

int32_t requestBodyLength(const MessageHeader &header)
{
    return header.hasBody != 0 && header.length > 0 ? header.length : 0;
}

std::string encodeReply(int32_t requestKind, int32_t status, const std::string &body)
{
    MessageHeader header;
    header.kind = 100 + requestKind;
    header.status = status;
    header.hasBody = body.empty() ? 0 : 1;
    header.length = int32_t(body.size());
    const HeaderBytes bytes = encodeHeader(header);
    std::string frame(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    frame += body;
    return frame;
}

std::string encodeBodilessReply(int32_t requestKind, int32_t status, int32_t lengthField)
{
    MessageHeader header;
    header.kind = 100 + requestKind;
    header.status = status;
    header.hasBody = 0;
    header.length = lengthField;
    const HeaderBytes bytes = encodeHeader(header);
    return std::string(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

}  // namespace cw::service
