#pragma once
// The account store in one SQLite file (WAL). All statements run on one
// thread of the store's own, which owns the connection; callers wait for
// their result. SQLite serialises writers anyway, and every method is a
// single short transaction.

#include "AccountStore.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class QSqlDatabase;

namespace cw::service {

class SqliteAccountStore : public AccountStore {
public:
    // Creates the file and schema when missing. Null and a reason on failure.
    static std::unique_ptr<SqliteAccountStore> open(const std::string &path, std::string *error);
    ~SqliteAccountStore() override;

    StoreResult createUser(const std::string &name, const std::string &passwordHash, const std::string &email,
                           int64_t balance, int64_t at) override;
    StoreResult findUser(const std::string &name, UserRow *out) override;
    StoreResult setLoginFailures(int64_t userId, int failures, int64_t at) override;
    StoreResult addressLoginFailures(int64_t userId, const std::string &address, LoginFailures *out) override;
    StoreResult setAddressLoginFailures(int64_t userId, const std::string &address, LoginFailures failures) override;
    StoreResult countLoginFailure(int64_t userId, const std::string &address, LoginFailures seenAccount,
                                  LoginFailures seenAddress, LoginFailures account, LoginFailures fromAddress) override;
    StoreResult clearLoginFailures(int64_t userId, const std::string &address) override;
    StoreResult setPasswordHash(int64_t userId, const std::string &passwordHash) override;
    StoreResult addSession(const std::string &sessionDigest, int64_t userId, int64_t at) override;
    StoreResult sessionUser(const std::string &sessionDigest, int64_t notBefore, UserRow *out) override;
    StoreResult removeSession(const std::string &sessionDigest) override;
    StoreResult recharge(int64_t userId, int64_t seconds, const std::string &money, int64_t at) override;
    StoreResult balance(int64_t userId, int64_t *out) override;
    StoreResult records(int64_t userId, int64_t start, int64_t count, std::vector<BalanceRecord> *out) override;
    StoreResult jobs(int64_t userId, int64_t start, int64_t count, std::vector<JobRecord> *out) override;
    StoreResult addJob(int64_t userId, const std::string &filename, int64_t seconds, const std::string &state,
                       int64_t at, int64_t *jobId) override;
    StoreResult setJobState(int64_t jobId, const std::string &state, int64_t seconds) override;
    StoreResult jobState(int64_t jobId, std::string *state) override;
    StoreResult hold(int64_t jobId, int64_t userId, int64_t seconds) override;
    StoreResult settle(int64_t jobId, const std::string &filename, int64_t at) override;
    StoreResult refundSettled(int64_t jobId, const std::string &state, int64_t at) override;
    StoreResult release(int64_t jobId, const std::string &state) override;
    StoreResult recoverAfterRestart() override;

private:
    explicit SqliteAccountStore(std::string path);
    bool start(std::string *error);
    void threadMain();
    // Runs `work` on the store thread inside one transaction; rolls back
    // unless it returns Ok (or NotFound/Insufficient for reads that made no change).
    StoreResult transact(const std::function<StoreResult(QSqlDatabase &)> &work);

    std::string path_;
    std::string connectionName_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void(QSqlDatabase *)>> queue_;
    bool stopping_ = false;
};

}  // namespace cw::service
