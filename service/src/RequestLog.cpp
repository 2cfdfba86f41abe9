#include "RequestLog.h"

#include <QDateTime>

#include <chrono>
#include <cstdio>
#include <mutex>

namespace cw::service {

namespace {

// Keeps log lines from leaking control bytes of hostile names into a terminal.
std::string printable(const std::string &text)
{
    std::string out;
    for (unsigned char c : text)
        out += (c < 32 || c == 127) ? '?' : char(c);
    return out;
}

}  // namespace

std::string requestLogLine(int64_t epochMs, int32_t kind, const std::string &user, int32_t status, int64_t elapsedMs,
                           const std::string &note)
{
    const std::string time =
        QDateTime::fromMSecsSinceEpoch(epochMs).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).toStdString();
    std::string line = time + " kind=" + std::to_string(kind) + " user=" + (user.empty() ? "-" : printable(user))
                       + " status=" + std::to_string(status) + " ms=" + std::to_string(elapsedMs);
    if (!note.empty())
        line += " " + printable(note);
    return line;
}

void writeRequestLog(int32_t kind, const std::string &user, int32_t status, int64_t elapsedMs, const std::string &note)
{
    static std::mutex mutex;
    const int64_t now =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    const std::string line = requestLogLine(now, kind, user, status, elapsedMs, note);
    std::lock_guard<std::mutex> lock(mutex);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace cw::service
