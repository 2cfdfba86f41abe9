#pragma once
// The payment address the client library builds ("alipay/index.php?id=")
// read back, and the money rule of a payment. Pure functions.

#include <cstdint>
#include <optional>
#include <string>

namespace cw::service::web {

struct PaymentLink {
    std::string user;
    std::string showUrl;  // where the page links back to
    std::string session;  // in readable order again
};

// The "id" value: Base64 of "user=U&show_url=S&sid=<session reversed>",
// the Base64 text reversed. Nothing when it does not read back.
std::optional<PaymentLink> decodePaymentId(const std::string &id);

// The raw value of `name` in a query, "+" kept (the id's Base64 has them).
std::string rawQueryValue(const std::string &query, const std::string &name);

// One hour for 25 units of money, in 32-bit arithmetic like the client's
// recharge rule; what a payment of `money` whole units buys.
int64_t secondsForMoney(int64_t money);
inline constexpr int64_t kMinPayment = 1;
inline constexpr int64_t kMaxPayment = 10000;

// Only http(s) addresses are offered as the way back.
bool isWebAddress(const std::string &url);

}  // namespace cw::service::web
