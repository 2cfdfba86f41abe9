#include "RequestBodies.h"

#include <cjson/cJSON.h>

#include <cmath>
#include <memory>

namespace cw::service {

namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

JsonPtr parseObject(const std::string &body)
{
    // The body may hold NUL bytes; cJSON must stop at the real end, not at them.
    if (body.find('\0') != std::string::npos)
        return JsonPtr(nullptr, cJSON_Delete);
    JsonPtr root(cJSON_ParseWithLength(body.data(), body.size()), cJSON_Delete);
    if (root && !cJSON_IsObject(root.get()))
        root.reset();
    return root;
}

std::optional<std::string> stringMember(const cJSON *object, const char *name)
{
    const cJSON *item = cJSON_GetObjectItemCaseSensitive(object, name);
    if (!cJSON_IsString(item) || item->valuestring == nullptr)
        return std::nullopt;
    return std::string(item->valuestring);
}

// Whole numbers only, within +-2^53 so the double holds them exactly.
std::optional<int64_t> integerMember(const cJSON *object, const char *name)
{
    const cJSON *item = cJSON_GetObjectItemCaseSensitive(object, name);
    if (!cJSON_IsNumber(item))
        return std::nullopt;
    const double value = item->valuedouble;
    if (!std::isfinite(value) || std::floor(value) != value || std::fabs(value) > 9007199254740992.0)
        return std::nullopt;
    return int64_t(value);
}

bool isSessionText(const std::string &text)
{
    return text.size() == 32 && isHexDigest(text);
}

}  // namespace

bool isValidUsername(const std::string &name)
{
    if (name.empty() || name.size() > 64)
        return false;
    for (unsigned char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '@' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

bool isHexDigest(const std::string &text)
{
    if (text.size() != 32)
        return false;
    for (unsigned char c : text) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!ok)
            return false;
    }
    return true;
}

std::string lowercase(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

std::optional<RegistrationRequest> decodeRegistration(const std::string &body)
{
    const JsonPtr root = parseObject(body);
    if (!root)
        return std::nullopt;
    auto username = stringMember(root.get(), "username");
    auto password = stringMember(root.get(), "password");
    auto email = stringMember(root.get(), "E-mail");
    if (!username || !password || !email || !isValidUsername(*username) || !isHexDigest(*password) || email->size() > 254)
        return std::nullopt;
    return RegistrationRequest{*username, lowercase(*password), *email};
}

std::optional<LoginRequest> decodeLogin(const std::string &body)
{
    const JsonPtr root = parseObject(body);
    if (!root)
        return std::nullopt;
    auto username = stringMember(root.get(), "username");
    auto password = stringMember(root.get(), "password");
    if (!username || !password || !isValidUsername(*username) || !isHexDigest(*password))
        return std::nullopt;
    return LoginRequest{*username, lowercase(*password)};
}

std::optional<RechargeRequest> decodeRecharge(const std::string &body)
{
    const JsonPtr root = parseObject(body);
    if (!root)
        return std::nullopt;
    auto session = stringMember(root.get(), "session");
    auto money = stringMember(root.get(), "money");
    auto duration = integerMember(root.get(), "duration");
    if (!session || !money || !duration || !isSessionText(*session) || money->size() > 256)
        return std::nullopt;
    return RechargeRequest{lowercase(*session), *money, *duration};
}

std::optional<PasswordChangeRequest> decodePasswordChange(const std::string &body)
{
    const JsonPtr root = parseObject(body);
    if (!root)
        return std::nullopt;
    auto username = stringMember(root.get(), "username");
    auto password = stringMember(root.get(), "password");
    auto newPassword = stringMember(root.get(), "new_password");
    if (!username || !password || !newPassword || !isValidUsername(*username) || !isHexDigest(*password)
        || !isHexDigest(*newPassword))
        return std::nullopt;
    return PasswordChangeRequest{*username, lowercase(*password), lowercase(*newPassword)};
}

std::optional<SessionRequest> decodeSession(const std::string &body)
{
    const JsonPtr root = parseObject(body);
    if (!root)
        return std::nullopt;
    auto session = stringMember(root.get(), "session");
    if (!session || !isSessionText(*session))
        return std::nullopt;
    return SessionRequest{lowercase(*session)};
}

std::optional<RangeRequest> decodeRange(const std::string &body)
{
    const JsonPtr root = parseObject(body);
    if (!root)
        return std::nullopt;
    auto session = stringMember(root.get(), "session");
    auto start = integerMember(root.get(), "start");
    auto end = integerMember(root.get(), "end");
    if (!session || !start || !end || !isSessionText(*session))
        return std::nullopt;
    return RangeRequest{lowercase(*session), *start, *end};
}

std::optional<TranscriptionAnnouncement> decodeAnnouncement(const std::string &body)
{
    const JsonPtr root = parseObject(body);
    if (!root)
        return std::nullopt;
    const cJSON *object = root.get();
    auto username = stringMember(object, "username");
    auto session = stringMember(object, "session");
    auto filename = stringMember(object, "filename");
    auto audioSize = integerMember(object, "audio_size");
    auto fingerprint = stringMember(object, "fingerprint");
    auto textname = stringMember(object, "textname");
    auto textFinger = stringMember(object, "text_finger");
    auto textSize = integerMember(object, "text_size");
    auto hours = integerMember(object, "hours");
    auto minutes = integerMember(object, "minutes");
    auto seconds = integerMember(object, "seconds");
    if (!username || !session || !filename || !audioSize || !fingerprint || !textname || !textFinger || !textSize
        || !hours || !minutes || !seconds)
        return std::nullopt;
    if (!isValidUsername(*username) || !isSessionText(*session) || !isHexDigest(*fingerprint))
        return std::nullopt;
    if (*audioSize < kMinAudioSize || *audioSize > kMaxAudioSize)
        return std::nullopt;
    if (*textSize < 0 || *textSize > kMaxTranscriptSize)
        return std::nullopt;
    if (*textSize > 0 && !isHexDigest(*textFinger))
        return std::nullopt;
    if (*hours < 0 || *minutes < 0 || *seconds < 0 || *hours > 1000000 || *minutes > 1000000 || *seconds > 1000000)
        return std::nullopt;
    if (filename->size() > 1024 || textname->size() > 1024)
        return std::nullopt;

    TranscriptionAnnouncement a;
    a.username = *username;
    a.session = lowercase(*session);
    a.filename = *filename;
    a.audioSize = *audioSize;
    a.fingerprint = lowercase(*fingerprint);
    a.textname = *textname;
    a.textFingerprint = *textSize > 0 ? lowercase(*textFinger) : std::string();
    a.textSize = *textSize;
    a.durationSeconds = *hours * 3600 + *minutes * 60 + *seconds;
    return a;
}

}  // namespace cw::service
