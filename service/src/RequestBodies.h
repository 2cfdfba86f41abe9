#pragma once
// Request bodies decoded from their JSON text. Every decoder returns nothing
// when the text is not a JSON object or a required member is missing or of
// the wrong type; value checks (name patterns, ranges) are made here too so
// that handlers only ever see well-formed requests.

#include <cstdint>
#include <optional>
#include <string>

namespace cw::service {

struct RegistrationRequest {
    std::string username;
    std::string passwordDigest;  // lowercase 32 hex
    std::string email;
};

struct LoginRequest {
    std::string username;
    std::string passwordDigest;
};

struct RechargeRequest {
    std::string session;
    std::string money;  // the caller's text, passed through into the record
    int64_t duration = 0;
};

struct PasswordChangeRequest {
    std::string username;
    std::string passwordDigest;
    std::string newPasswordDigest;
};

struct SessionRequest {
    std::string session;
};

struct RangeRequest {
    std::string session;
    int64_t start = 0;
    int64_t end = 0;
};

struct TranscriptionAnnouncement {
    std::string username;
    std::string session;
    std::string filename;
    int64_t audioSize = 0;
    std::string fingerprint;  // lowercase 32 hex
    std::string textname;
    std::string textFingerprint;  // lowercase 32 hex, or empty without a transcript
    int64_t textSize = 0;
    int64_t durationSeconds = 0;  // hours * 3600 + minutes * 60 + seconds
    bool hasTranscript() const { return textSize > 0; }
};

constexpr int64_t kMinAudioSize = 44;
constexpr int64_t kMaxAudioSize = 0x7fffffff;  // the resume offset must fit the signed length field
constexpr int64_t kMaxTranscriptSize = 16 << 20;

bool isValidUsername(const std::string &name);
// Accepts upper or lower case; nothing else.
bool isHexDigest(const std::string &text);
std::string lowercase(std::string text);

std::optional<RegistrationRequest> decodeRegistration(const std::string &body);
std::optional<LoginRequest> decodeLogin(const std::string &body);
std::optional<RechargeRequest> decodeRecharge(const std::string &body);
std::optional<PasswordChangeRequest> decodePasswordChange(const std::string &body);
std::optional<SessionRequest> decodeSession(const std::string &body);
std::optional<RangeRequest> decodeRange(const std::string &body);
std::optional<TranscriptionAnnouncement> decodeAnnouncement(const std::string &body);

}  // namespace cw::service
