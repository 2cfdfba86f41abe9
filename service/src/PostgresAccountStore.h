#pragma once
// The account store on a PostgreSQL server, so several service nodes can
// serve the same accounts. Every method is one transaction on a pooled
// connection; money moves under the user row's lock. Each store object is
// one node: it has a random id, records it with its jobs and holds, and
// refreshes a heartbeat row. Holds are given back only when their node
// stopped (its row is gone) or went silent for `staleAfter`.
//
// A lost connection is tried again a few times. Every write carries a
// request key inserted in the same transaction, so a retry after a commit
// whose outcome was lost finds the key and does not apply it twice.

#include "AccountStore.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct pg_conn;

namespace cw::service {

namespace pg {
class Params;
class Result;
}  // namespace pg

struct PostgresStoreOptions {
    std::chrono::milliseconds heartbeatInterval{5000};
    // A node whose heartbeat is older than this is taken for dead.
    std::chrono::seconds staleAfter{30};
    int maxConnections = 16;
    int attempts = 4;  // per call, when the connection is lost
    std::chrono::milliseconds firstBackoff{50};
};

// The schema version this build creates and understands.
constexpr int kPostgresSchemaVersion = 1;

class PostgresAccountStore : public AccountStore {
public:
    // Connects, creates or migrates the schema and registers the node. Null
    // and a reason on failure.
    static std::unique_ptr<PostgresAccountStore> open(const std::string &url, std::string *error,
                                                      const PostgresStoreOptions &options = {});
    // Stops the heartbeat and removes the node's row: its remaining holds go
    // back at the next recovery on any node.
    ~PostgresAccountStore() override;

    const std::string &nodeId() const { return nodeId_; }
    // The last error that made a call fail, for the log.
    std::string lastError() const;

    // Tests drop the connection at these points when the hook says so.
    enum class FaultPoint { BeforeCommit, AfterCommitSent };
    void setFaultInjection(std::function<bool(FaultPoint)> dropConnection);

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
    // Gives back the holds of stopped and silent nodes (never a live one's)
    // and marks their unfinished jobs interrupted.
    StoreResult recoverAfterRestart() override;

    class Transaction;

private:
    PostgresAccountStore(std::string url, const PostgresStoreOptions &options);
    bool start(std::string *error);
    bool migrate(pg_conn *connection, std::string *error);

    enum class Kind { Read, Write };
    using Work = std::function<StoreResult(Transaction &)>;
    // Runs `work` in one transaction (Write: keyed, at most once), retrying
    // lost connections. `result` is kept with the key for a retry to find.
    StoreResult transact(Kind kind, const Work &work, int64_t *result = nullptr);
    enum class Attempt { Done, Retry };
    Attempt attempt(Kind kind, const std::string &key, const Work &work, int64_t *result, StoreResult *outcome);
    bool commit(pg_conn *connection, std::string *error, bool *retry);
    void dropConnection(pg_conn *connection);

    pg_conn *acquire(std::string *error);
    void giveBack(pg_conn *connection, bool healthy);
    void closeIdle();
    pg_conn *connect(std::string *error);

    void heartbeatLoop();
    StoreResult beat();
    void setLastError(const std::string &error);

    const std::string url_;
    const PostgresStoreOptions options_;
    const std::string nodeId_;
    std::atomic<uint64_t> nextRequest_{0};

    std::mutex poolMutex_;
    std::condition_variable poolFree_;
    std::vector<pg_conn *> idle_;
    int open_ = 0;

    bool injectFault(FaultPoint point);
    std::mutex faultMutex_;
    std::function<bool(FaultPoint)> fault_;
    mutable std::mutex errorMutex_;
    std::string lastError_;

    std::thread heartbeat_;
    std::mutex heartbeatMutex_;
    std::condition_variable heartbeatWake_;
    bool stopping_ = false;
};

}  // namespace cw::service
