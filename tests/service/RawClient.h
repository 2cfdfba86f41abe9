#pragma once
// A bare client for what the real library never sends: hostile frames, cut
// uploads, stalls. Blocking socket with a receive time-out.

#include <cstdint>
#include <optional>
#include <string>

namespace cw::testing {

struct RawReply {
    int32_t kind = 0;
    int32_t status = 0;
    int32_t hasBody = 0;
    int32_t length = 0;
    std::string body;
};

class RawClient {
public:
    RawClient() = default;
    ~RawClient();
    RawClient(const RawClient &) = delete;
    RawClient &operator=(const RawClient &) = delete;

    // From `source` (another loopback address such as "127.0.0.2") when given.
    bool connect(int port, int receiveTimeoutMs = 30000, const char *source = nullptr);
    void close();
    bool sendBytes(const std::string &bytes);
    bool sendFrame(int32_t kind, const std::string &body, uint32_t magic = 7099, uint32_t version = 1);
    bool sendHeader(int32_t kind, int32_t hasBody, int32_t length, uint32_t magic = 7099, uint32_t version = 1);
    // Nothing when the service closed or timed out first.
    std::optional<RawReply> readReply();
    // The first reply that is not a job's progress (status -1).
    std::optional<RawReply> readFinalReply();
    // True when the service closed the connection (EOF) within the time-out.
    bool closedByPeer();
    // The same without waiting: true once the service has closed it.
    bool closedNow();

private:
    int fd_ = -1;
};

// The announcement the library builds, printed the same way.
std::string announcementBody(const std::string &user, const std::string &session, const std::string &filename,
                             int64_t audioSize, const std::string &fingerprint, const std::string &textname,
                             const std::string &textFinger, int64_t textSize, int durationSeconds);
std::string md5Hex(const std::string &bytes);
// Lower-case hex of a digest.
std::string hexText(const unsigned char *bytes, unsigned int length);
// A log-in from `source` (null: 127.0.0.1); the session, empty when refused.
// `status` gets the reply's status, or -1 when there was none.
std::string rawLogin(int port, const std::string &user, const std::string &password, const char *source = nullptr,
                     int *status = nullptr);
std::string readFileBytes(const std::string &path);

}  // namespace cw::testing
