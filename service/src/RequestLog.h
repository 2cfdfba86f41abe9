#pragma once
// One line per request on standard error: time, kind, user, status,
// milliseconds, and a short note. Never a password or digest.

#include <cstdint>
#include <string>

namespace cw::service {

std::string requestLogLine(int64_t epochMs, int32_t kind, const std::string &user, int32_t status, int64_t elapsedMs,
                           const std::string &note);
void writeRequestLog(int32_t kind, const std::string &user, int32_t status, int64_t elapsedMs, const std::string &note);

}  // namespace cw::service
