#include "PaymentLink.h"

#include "RequestBodies.h"
#include "WebRequestText.h"

#include <sodium.h>

#include <algorithm>
#include <vector>

namespace cw::service::web {

std::optional<PaymentLink> decodePaymentId(const std::string &id)
{
    if (id.empty() || id.size() > 4096)
        return std::nullopt;
    std::string base64(id.rbegin(), id.rend());
    std::vector<unsigned char> bytes(base64.size());
    size_t length = 0;
    if (sodium_base642bin(bytes.data(), bytes.size(), base64.c_str(), base64.size(), nullptr, &length, nullptr,
                          sodium_base64_VARIANT_ORIGINAL)
        != 0)
        return std::nullopt;
    const std::string query(reinterpret_cast<const char *>(bytes.data()), length);
    // The user name cannot hold "&"; the address may, so the session is
    // taken after the last "&sid=".
    const std::string userKey = "user=", urlKey = "&show_url=", sidKey = "&sid=";
    if (query.compare(0, userKey.size(), userKey) != 0)
        return std::nullopt;
    const size_t urlAt = query.find(urlKey);
    const size_t sidAt = query.rfind(sidKey);
    if (urlAt == std::string::npos || sidAt == std::string::npos || sidAt < urlAt)
        return std::nullopt;
    PaymentLink link;
    link.user = query.substr(userKey.size(), urlAt - userKey.size());
    link.showUrl = query.substr(urlAt + urlKey.size(), sidAt - urlAt - urlKey.size());
    const std::string reversed = query.substr(sidAt + sidKey.size());
    link.session.assign(reversed.rbegin(), reversed.rend());
    if (!isValidUsername(link.user) || link.session.size() != 32 || !isHexDigest(link.session)
        || !isCleanUtf8(link.showUrl))
        return std::nullopt;
    link.session = lowercase(link.session);
    return link;
}

std::string rawQueryValue(const std::string &query, const std::string &name)
{
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        const std::string pair = query.substr(start, end - start);
        if (pair.compare(0, name.size() + 1, name + "=") == 0) {
            const auto value = percentDecode(pair.substr(name.size() + 1), false);
            return value ? *value : std::string();
        }
        start = end + 1;
    }
    return {};
}

int64_t secondsForMoney(int64_t money)
{
    const int32_t units = int32_t(std::clamp<int64_t>(money, 0, kMaxPayment));
    return int64_t(units * 3600 / 25);
}

bool isWebAddress(const std::string &url)
{
    auto startsWith = [&](const char *scheme) { return url.compare(0, std::char_traits<char>::length(scheme), scheme) == 0; };
    const size_t schemeEnd = startsWith("http://") ? 7 : startsWith("https://") ? 8 : 0;
    if (schemeEnd == 0 || url.size() == schemeEnd || url.size() > 2048)
        return false;
    for (const char c : url)
        if (static_cast<unsigned char>(c) <= 0x20 || c == '"' || c == '<' || c == '>' || c == '\\' || c == 0x7f)
            return false;
    return true;
}

}  // namespace cw::service::web
