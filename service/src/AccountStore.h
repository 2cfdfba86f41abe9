#pragma once
// Everything the service keeps: accounts, sessions, balance records, jobs and
// balance holds. One small interface so another database can take over for
// several service nodes; every method is one transaction and thread-safe.

#include <cstdint>
#include <string>
#include <vector>

namespace cw::service {

enum class StoreResult { Ok, NotFound, Conflict, Insufficient, Error };

struct UserRow {
    int64_t id = 0;
    std::string name;
    std::string passwordHash;
    bool active = true;
    int64_t balance = 0;
    // Log-in failures over every address since the owner's last success.
    int failedLogins = 0;
    int64_t lastFailureAt = 0;
};

struct LoginFailures {
    int failures = 0;
    int64_t lastFailureAt = 0;
};

struct BalanceRecord {
    int64_t at = 0;
    char sign = '+';
    std::string amount;  // money text or file name, bytes as received
    int64_t seconds = 0;
};

struct JobRecord {
    int64_t at = 0;
    std::string filename;
    int64_t seconds = 0;
    std::string state;
};

// Most balances a recharge can reach; keeps every sum far from overflow and
// inside what clients parse as a 32-bit number.
constexpr int64_t kMaxBalance = 0x7fffffff;

class AccountStore {
public:
    virtual ~AccountStore() = default;

    virtual StoreResult createUser(const std::string &name, const std::string &passwordHash, const std::string &email,
                                   int64_t balance, int64_t at) = 0;
    virtual StoreResult findUser(const std::string &name, UserRow *out) = 0;
    // The account's count, over every address.
    virtual StoreResult setLoginFailures(int64_t userId, int failures, int64_t at) = 0;
    // Failures from one peer address (its key); nothing recorded reads as none.
    virtual StoreResult addressLoginFailures(int64_t userId, const std::string &address, LoginFailures *out) = 0;
    virtual StoreResult setAddressLoginFailures(int64_t userId, const std::string &address, LoginFailures failures) = 0;
    // Sets the account's and the address's counts to `account` and
    // `fromAddress`, only while they still read `seenAccount` and
    // `seenAddress`; Conflict when another attempt changed them first.
    virtual StoreResult countLoginFailure(int64_t userId, const std::string &address, LoginFailures seenAccount,
                                          LoginFailures seenAddress, LoginFailures account,
                                          LoginFailures fromAddress) = 0;
    // A right password from `address`: the account's count and the address's go.
    virtual StoreResult clearLoginFailures(int64_t userId, const std::string &address) = 0;
    virtual StoreResult setPasswordHash(int64_t userId, const std::string &passwordHash) = 0;

    // Sessions are kept by a digest of their id, never the id itself.
    virtual StoreResult addSession(const std::string &sessionDigest, int64_t userId, int64_t at) = 0;
    virtual StoreResult sessionUser(const std::string &sessionDigest, int64_t notBefore, UserRow *out) = 0;
    virtual StoreResult removeSession(const std::string &sessionDigest) = 0;

    // Adds seconds and a "+" record; Insufficient when the cap would be passed.
    virtual StoreResult recharge(int64_t userId, int64_t seconds, const std::string &money, int64_t at) = 0;
    virtual StoreResult balance(int64_t userId, int64_t *out) = 0;
    // Newest first, `count` from index `start`.
    virtual StoreResult records(int64_t userId, int64_t start, int64_t count, std::vector<BalanceRecord> *out) = 0;
    virtual StoreResult jobs(int64_t userId, int64_t start, int64_t count, std::vector<JobRecord> *out) = 0;

    virtual StoreResult addJob(int64_t userId, const std::string &filename, int64_t seconds, const std::string &state,
                               int64_t at, int64_t *jobId) = 0;
    virtual StoreResult setJobState(int64_t jobId, const std::string &state, int64_t seconds) = 0;
    virtual StoreResult jobState(int64_t jobId, std::string *state) = 0;
    // Takes seconds off the balance into a hold; Insufficient leaves all as it was.
    virtual StoreResult hold(int64_t jobId, int64_t userId, int64_t seconds) = 0;
    // The hold becomes a "-" record and the job is done.
    virtual StoreResult settle(int64_t jobId, const std::string &filename, int64_t at) = 0;
    // A settled job's seconds come back as a "+" record naming its file, and
    // the job takes `state`; NotFound unless the job is done.
    virtual StoreResult refundSettled(int64_t jobId, const std::string &state, int64_t at) = 0;
    // The hold goes back to the balance; the job keeps `state`.
    virtual StoreResult release(int64_t jobId, const std::string &state) = 0;
    // After a restart: every hold goes back, unfinished jobs are marked.
    virtual StoreResult recoverAfterRestart() = 0;
};

}  // namespace cw::service
