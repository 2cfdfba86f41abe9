#include "SessionIds.h"

#include <sodium.h>

namespace cw::service {

namespace {

std::string hex(const unsigned char *bytes, size_t count)
{
    std::string text(count * 2 + 1, '\0');
    sodium_bin2hex(text.data(), text.size(), bytes, count);
    text.resize(count * 2);
    return text;
}

}  // namespace

std::string newSessionId()
{
    unsigned char bytes[16];
    randombytes_buf(bytes, sizeof bytes);
    return hex(bytes, sizeof bytes);
}

std::string sessionDigest(const std::string &sessionId)
{
    unsigned char digest[32];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char *>(sessionId.data()),
                       sessionId.size(), nullptr, 0);
    return hex(digest, sizeof digest);
}

}  // namespace cw::service
