#pragma once
// The account requests (every kind but transcription): body in, status and
// reply body out. No sockets here, so the rules are testable directly.

#include "AccountStore.h"
#include "LoginAttempts.h"
#include "PasswordHasher.h"
#include "RequestBodies.h"

#include <cstdint>
#include <functional>
#include <string>

namespace cw::service {

struct AccountReply {
    int32_t status = 0;
    std::string body;
    std::string user;  // for the request log; never a secret
};

class AccountService {
public:
    using Clock = std::function<int64_t()>;  // seconds since the epoch
    static constexpr int64_t kSessionLifetime = 30 * 24 * 3600;
    static constexpr int64_t kMaxListedLines = 10000;

    AccountService(AccountStore &store, PasswordHasher &hasher, int64_t initialBalance, Clock clock = {});

    // `peer` is the key of the caller's address (peerKey): log-in failures
    // are counted per account and address.
    AccountReply handle(int32_t kind, const std::string &body, const std::string &peer);
    // The account behind a live session.
    StoreResult sessionUser(const std::string &session, UserRow *out);
    StoreResult findUser(const std::string &name, UserRow *out) { return store_.findUser(name, out); }
    int64_t now() const { return clock_(); }

    // For operators: creates an account with a balance of its own.
    StoreResult addUser(const std::string &name, const std::string &passwordDigest, int64_t balance);
    // The protocol's registration and the web form's, one rule.
    AccountReply registerAccount(const RegistrationRequest &request);
    // Seconds paid for (`money` as shown in the records) or granted by an
    // operator, as a "+" record.
    StoreResult credit(const std::string &name, int64_t seconds, const std::string &money);

    // A protocol recharge names its own amount and pays nothing, so it is
    // refused unless the operator allows it (demos, tests).
    void setRechargeAllowed(bool allowed) { rechargeAllowed_ = allowed; }

private:
    AccountReply registerUser(const std::string &body);
    AccountReply login(const std::string &body, const std::string &peer);
    AccountReply recharge(const std::string &body);
    AccountReply changePassword(const std::string &body, const std::string &peer);
    AccountReply checkSession(const std::string &body);
    AccountReply logout(const std::string &body);
    AccountReply balance(const std::string &body);
    AccountReply listRecords(const std::string &body);
    AccountReply listJobs(const std::string &body);

    enum class Check { Ok, UnknownUser, Refused, StoreFailed };
    // Password check with back-off bookkeeping; fills `user` when known.
    Check checkPassword(const std::string &name, const std::string &digest, const std::string &peer, UserRow *user);
    StoreResult countFailure(const std::string &name, const std::string &peer, UserRow *user, LoginFailures *fromPeer);

    AccountStore &store_;
    PasswordHasher &hasher_;
    int64_t initialBalance_;
    Clock clock_;
    LoginAttempts attempts_;
    bool rechargeAllowed_ = false;
};

}  // namespace cw::service
