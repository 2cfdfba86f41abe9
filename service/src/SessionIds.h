#pragma once

#include <string>

namespace cw::service {

// 128 random bits as 32 lowercase hex digits, from the system's secure source.
std::string newSessionId();
// What the store keeps instead of the id: a leaked table yields no sessions.
std::string sessionDigest(const std::string &sessionId);

}  // namespace cw::service
