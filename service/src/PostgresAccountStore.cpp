#include "PostgresAccountStore.h"

#include "PgStatement.h"

#include <libpq-fe.h>
#include <sys/socket.h>

#include <cstdio>
#include <optional>
#include <random>

namespace cw::service {

using pg::Params;
using pg::Result;

namespace {

// Whoever holds it migrates; two nodes starting together wait for each other.
constexpr int64_t kMigrationLock = 0x63776163636f756eLL;

// One list per schema version; the service applies the ones the database lacks.
const std::vector<std::vector<const char *>> kMigrations = {
    {
        "CREATE TABLE users (id BIGSERIAL PRIMARY KEY, name TEXT NOT NULL UNIQUE, pwhash TEXT NOT NULL, email BYTEA,"
        " active BOOLEAN NOT NULL DEFAULT TRUE, balance BIGINT NOT NULL CHECK (balance >= 0),"
        " failed_logins INTEGER NOT NULL DEFAULT 0, last_failure BIGINT NOT NULL DEFAULT 0, created BIGINT NOT NULL)",
        "CREATE TABLE sessions (digest TEXT PRIMARY KEY, user_id BIGINT NOT NULL REFERENCES users(id),"
        " created BIGINT NOT NULL)",
        "CREATE TABLE records (id BIGSERIAL PRIMARY KEY, user_id BIGINT NOT NULL REFERENCES users(id),"
        " at BIGINT NOT NULL, sign CHAR(1) NOT NULL, amount BYTEA NOT NULL, seconds BIGINT NOT NULL)",
        "CREATE INDEX records_by_user ON records (user_id, id)",
        "CREATE TABLE jobs (id BIGSERIAL PRIMARY KEY, user_id BIGINT NOT NULL REFERENCES users(id),"
        " at BIGINT NOT NULL, filename BYTEA NOT NULL, seconds BIGINT NOT NULL, state TEXT NOT NULL, node TEXT)",
        "CREATE INDEX jobs_by_user ON jobs (user_id, id)",
        "CREATE INDEX jobs_unfinished ON jobs (node) WHERE state IN ('uploading', 'running')",
        "CREATE TABLE login_failures (user_id BIGINT NOT NULL REFERENCES users(id), address TEXT NOT NULL,"
        " failures INTEGER NOT NULL, last_failure BIGINT NOT NULL, PRIMARY KEY (user_id, address))",
        "CREATE TABLE holds (job_id BIGINT PRIMARY KEY REFERENCES jobs(id),"
        " user_id BIGINT NOT NULL REFERENCES users(id), seconds BIGINT NOT NULL CHECK (seconds >= 0),"
        " node TEXT NOT NULL)",
        "CREATE INDEX holds_by_node ON holds (node)",
        "CREATE TABLE nodes (id TEXT PRIMARY KEY, started BIGINT NOT NULL, heartbeat BIGINT NOT NULL)",
        // Keys of applied writes: a retry after a lost commit finds its own.
        "CREATE TABLE requests (key TEXT PRIMARY KEY, result BIGINT, at BIGINT NOT NULL)",
        "CREATE INDEX requests_by_age ON requests (at)",
    },
};
static_assert(kPostgresSchemaVersion == 1, "one migration list per version");

constexpr const char *kNow = "extract(epoch FROM now())::bigint";
constexpr const char *kUserColumns = "u.id, u.name, u.pwhash, u.active, u.balance, u.failed_logins, u.last_failure";
// Request keys are kept a day; no retry runs that long.
constexpr int64_t kRequestKeySeconds = 24 * 3600;

std::string randomNodeId()
{
    std::random_device device;
    std::uniform_int_distribution<uint64_t> any;
    const uint64_t high = (uint64_t(device()) << 32) ^ device();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(high ^ any(device)));
    return text;
}

std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

UserRow readUser(const Result &r)
{
    UserRow row;
    row.id = r.integer(0, 0);
    row.name = r.text(0, 1);
    row.passwordHash = r.text(0, 2);
    row.active = r.text(0, 3) == "t";
    row.balance = r.integer(0, 4);
    row.failedLogins = int(r.integer(0, 5));
    row.lastFailureAt = r.integer(0, 6);
    return row;
}

}  // namespace

// Statements of one attempt; the first failure ends it and says whether
// another attempt may follow.
class PostgresAccountStore::Transaction {
public:
    explicit Transaction(PGconn *connection) : connection_(connection) {}

    Result exec(const std::string &sql, const Params &params = Params())
    {
        if (failure_ != pg::Failure::None)
            return Result();
        Result result(PQexecParams(connection_, sql.c_str(), params.count(), nullptr, params.values(), params.lengths(),
                                   params.formats(), 0));
        if (!result.ok()) {
            const bool lost = PQstatus(connection_) == CONNECTION_BAD;
            failure_ = pg::classifySqlState(result.sqlState(), lost);
            error_ = lost ? trimmed(PQerrorMessage(connection_)) : result.message();
        }
        return result;
    }
    bool failed() const { return failure_ != pg::Failure::None; }
    pg::Failure failure() const { return failure_; }
    const std::string &error() const { return error_; }

    std::optional<int64_t> result;  // kept with the request key

private:
    PGconn *connection_;
    pg::Failure failure_ = pg::Failure::None;
    std::string error_;
};

PostgresAccountStore::PostgresAccountStore(std::string url, const PostgresStoreOptions &options)
    : url_(std::move(url)), options_(options), nodeId_(randomNodeId())
{
}

std::unique_ptr<PostgresAccountStore> PostgresAccountStore::open(const std::string &url, std::string *error,
                                                                 const PostgresStoreOptions &options)
{
    std::unique_ptr<PostgresAccountStore> store(new PostgresAccountStore(url, options));
    if (!store->start(error))
        return nullptr;
    return store;
}

bool PostgresAccountStore::start(std::string *error)
{
    std::string failure;
    PGconn *connection = nullptr;
    for (int attempt = 0; attempt < options_.attempts && !connection; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(options_.firstBackoff * (1 << attempt));
        connection = connect(&failure);
    }
    if (!connection) {
        *error = failure;
        return false;
    }
    const bool migrated = migrate(connection, &failure);
    PQfinish(connection);
    if (!migrated) {
        *error = failure;
        return false;
    }
    const StoreResult registered = transact(Kind::Write, [this](Transaction &tx) {
        tx.exec(std::string("INSERT INTO nodes (id, started, heartbeat) VALUES ($1, ") + kNow + ", " + kNow + ")",
                Params().add(nodeId_));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
    if (registered != StoreResult::Ok) {
        *error = "cannot register the node: " + lastError();
        return false;
    }
    heartbeat_ = std::thread([this] { heartbeatLoop(); });
    return true;
}

PostgresAccountStore::~PostgresAccountStore()
{
    {
        std::lock_guard<std::mutex> lock(heartbeatMutex_);
        stopping_ = true;
    }
    heartbeatWake_.notify_all();
    if (heartbeat_.joinable()) {
        heartbeat_.join();
        // A clean stop: without the row, this node's remaining holds are
        // given back by whichever node recovers next.
        transact(Kind::Write, [this](Transaction &tx) {
            tx.exec("DELETE FROM nodes WHERE id = $1", Params().add(nodeId_));
            return tx.failed() ? StoreResult::Error : StoreResult::Ok;
        });
    }
    closeIdle();
}

bool PostgresAccountStore::migrate(PGconn *connection, std::string *error)
{
    Transaction tx(connection);
    tx.exec("BEGIN");
    tx.exec("SELECT pg_advisory_xact_lock($1)", Params().add(kMigrationLock));
    tx.exec("SET LOCAL client_min_messages = warning");  // not "already exists, skipping"
    tx.exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    const Result current = tx.exec("SELECT version FROM schema_version");
    int version = 0;
    if (!tx.failed()) {
        if (current.rows() == 0)
            tx.exec("INSERT INTO schema_version (version) VALUES (0)");
        else
            version = int(current.integer(0, 0));
    }
    if (!tx.failed() && version > kPostgresSchemaVersion) {
        *error = "the database has schema version " + std::to_string(version) + ", newer than this service's "
                 + std::to_string(kPostgresSchemaVersion);
        tx.exec("ROLLBACK");
        return false;
    }
    for (int step = version; step < kPostgresSchemaVersion && !tx.failed(); ++step) {
        for (const char *statement : kMigrations[size_t(step)])
            tx.exec(statement);
        tx.exec("UPDATE schema_version SET version = $1", Params().add(int64_t(step + 1)));
    }
    tx.exec("COMMIT");
    if (tx.failed()) {
        *error = "cannot create or migrate the schema: " + tx.error();
        return false;
    }
    return true;
}

PGconn *PostgresAccountStore::connect(std::string *error)
{
    // Earlier keywords are defaults the URL may override.
    const char *keys[] = {"connect_timeout", "application_name", "dbname", nullptr};
    const char *values[] = {"5", "cuewright-service", url_.c_str(), nullptr};
    PGconn *connection = PQconnectdbParams(keys, values, 1);
    if (!connection || PQstatus(connection) != CONNECTION_OK) {
        *error = "cannot connect to PostgreSQL: " + (connection ? trimmed(PQerrorMessage(connection)) : "out of memory");
        PQfinish(connection);
        return nullptr;
    }
    return connection;
}

PGconn *PostgresAccountStore::acquire(std::string *error)
{
    std::unique_lock<std::mutex> lock(poolMutex_);
    poolFree_.wait(lock, [this] { return !idle_.empty() || open_ < options_.maxConnections; });
    if (!idle_.empty()) {
        PGconn *connection = idle_.back();
        idle_.pop_back();
        return connection;
    }
    ++open_;
    lock.unlock();
    PGconn *connection = connect(error);
    if (!connection) {
        lock.lock();
        --open_;
        poolFree_.notify_one();
    }
    return connection;
}

void PostgresAccountStore::giveBack(PGconn *connection, bool healthy)
{
    healthy = healthy && PQstatus(connection) == CONNECTION_OK && PQtransactionStatus(connection) == PQTRANS_IDLE;
    if (!healthy)
        PQfinish(connection);
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
        if (healthy)
            idle_.push_back(connection);
        else
            --open_;
    }
    poolFree_.notify_one();
}

void PostgresAccountStore::closeIdle()
{
    std::vector<PGconn *> idle;
    {
        std::lock_guard<std::mutex> lock(poolMutex_);
        idle.swap(idle_);
        open_ -= int(idle.size());
    }
    for (PGconn *connection : idle)
        PQfinish(connection);
    poolFree_.notify_all();
}

void PostgresAccountStore::dropConnection(PGconn *connection) { ::shutdown(PQsocket(connection), SHUT_RDWR); }

void PostgresAccountStore::setFaultInjection(std::function<bool(FaultPoint)> dropConnection)
{
    std::lock_guard<std::mutex> lock(faultMutex_);
    fault_ = std::move(dropConnection);
}

bool PostgresAccountStore::injectFault(FaultPoint point)
{
    std::lock_guard<std::mutex> lock(faultMutex_);
    return fault_ && fault_(point);
}

std::string PostgresAccountStore::lastError() const
{
    std::lock_guard<std::mutex> lock(errorMutex_);
    return lastError_;
}

void PostgresAccountStore::setLastError(const std::string &error)
{
    std::lock_guard<std::mutex> lock(errorMutex_);
    lastError_ = error;
}

StoreResult PostgresAccountStore::transact(Kind kind, const Work &work, int64_t *result)
{
    // One key for every attempt of this call: that is what makes a retry safe.
    const std::string key = kind == Kind::Write ? nodeId_ + "-" + std::to_string(++nextRequest_) : std::string();
    for (int attempt = 0; attempt < options_.attempts; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(options_.firstBackoff * (1 << (attempt - 1)));
        StoreResult outcome = StoreResult::Error;
        if (this->attempt(kind, key, work, result, &outcome) == Attempt::Done)
            return outcome;
    }
    std::fprintf(stderr, "postgresql: giving up after %d tries: %s\n", options_.attempts, lastError().c_str());
    return StoreResult::Error;
}

PostgresAccountStore::Attempt PostgresAccountStore::attempt(Kind kind, const std::string &key, const Work &work,
                                                            int64_t *result, StoreResult *outcome)
{
    std::string error;
    PGconn *connection = acquire(&error);
    if (!connection) {
        setLastError(error);
        return Attempt::Retry;
    }
    Transaction tx(connection);
    // Ends the attempt after a failed statement: a lost connection also
    // takes the idle ones, which most likely went the same way.
    auto failed = [&]() {
        setLastError(tx.error());
        const bool lost = PQstatus(connection) == CONNECTION_BAD;
        if (!lost && kind == Kind::Write)
            PQclear(PQexec(connection, "ROLLBACK"));
        giveBack(connection, !lost);
        if (lost)
            closeIdle();
        *outcome = StoreResult::Error;
        return tx.failure() == pg::Failure::Retry ? Attempt::Retry : Attempt::Done;
    };
    if (kind == Kind::Write) {
        tx.exec("BEGIN");
        // Waits for an earlier attempt still committing, then conflicts if it did.
        const Result fresh = tx.exec(std::string("INSERT INTO requests (key, at) VALUES ($1, ") + kNow
                                         + ") ON CONFLICT (key) DO NOTHING",
                                     Params().add(key));
        if (tx.failed())
            return failed();
        if (fresh.affected() == 0) {
            const Result earlier = tx.exec("SELECT result FROM requests WHERE key = $1", Params().add(key));
            if (tx.failed())
                return failed();
            if (result && earlier.rows() == 1 && !earlier.isNull(0, 0))
                *result = earlier.integer(0, 0);
            PQclear(PQexec(connection, "ROLLBACK"));
            giveBack(connection, true);
            *outcome = StoreResult::Ok;
            return Attempt::Done;
        }
    }
    const StoreResult done = work(tx);
    if (tx.failed())
        return failed();
    if (done != StoreResult::Ok || kind == Kind::Read) {
        if (kind == Kind::Write)
            PQclear(PQexec(connection, "ROLLBACK"));
        giveBack(connection, true);
        *outcome = done;
        return Attempt::Done;
    }
    if (tx.result) {
        tx.exec("UPDATE requests SET result = $2 WHERE key = $1", Params().add(key).add(*tx.result));
        if (tx.failed())
            return failed();
    }
    bool retry = false;
    if (!commit(connection, &error, &retry)) {
        setLastError(error);
        const bool lost = PQstatus(connection) == CONNECTION_BAD;
        giveBack(connection, false);
        if (lost)
            closeIdle();
        *outcome = StoreResult::Error;
        return retry ? Attempt::Retry : Attempt::Done;
    }
    giveBack(connection, true);
    if (result && tx.result)
        *result = *tx.result;
    *outcome = StoreResult::Ok;
    return Attempt::Done;
}

bool PostgresAccountStore::commit(PGconn *connection, std::string *error, bool *retry)
{
    if (injectFault(FaultPoint::BeforeCommit))
        dropConnection(connection);
    bool ok = PQsendQuery(connection, "COMMIT") == 1;
    std::string state;
    if (!ok)
        *error = trimmed(PQerrorMessage(connection));
    if (ok && injectFault(FaultPoint::AfterCommitSent))
        dropConnection(connection);
    // Every result is read, or the connection stays busy.
    while (PGresult *raw = PQgetResult(connection)) {
        Result result(raw);
        if (!result.ok() && ok) {
            ok = false;
            state = result.sqlState();
            *error = result.message();
        }
    }
    // A commit sent and then lost may or may not have happened: the retry's
    // request key tells which.
    *retry = !ok && pg::classifySqlState(state, PQstatus(connection) == CONNECTION_BAD) == pg::Failure::Retry;
    return ok;
}

void PostgresAccountStore::heartbeatLoop()
{
    std::unique_lock<std::mutex> lock(heartbeatMutex_);
    while (!stopping_) {
        heartbeatWake_.wait_for(lock, options_.heartbeatInterval, [this] { return stopping_; });
        if (stopping_)
            break;
        lock.unlock();
        beat();
        lock.lock();
    }
}

StoreResult PostgresAccountStore::beat()
{
    const StoreResult alive = transact(Kind::Write, [this](Transaction &tx) {
        // Re-created should another node have taken this one for dead.
        tx.exec(std::string("INSERT INTO nodes (id, started, heartbeat) VALUES ($1, ") + kNow + ", " + kNow
                    + ") ON CONFLICT (id) DO UPDATE SET heartbeat = EXCLUDED.heartbeat",
                Params().add(nodeId_));
        tx.exec(std::string("DELETE FROM requests WHERE at < ") + kNow + " - $1", Params().add(kRequestKeySeconds));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
    if (alive != StoreResult::Ok)
        return alive;
    return recoverAfterRestart();
}

StoreResult PostgresAccountStore::recoverAfterRestart()
{
    return transact(Kind::Write, [this](Transaction &tx) {
        tx.exec(std::string("INSERT INTO nodes (id, started, heartbeat) VALUES ($1, ") + kNow + ", " + kNow
                    + ") ON CONFLICT (id) DO UPDATE SET heartbeat = EXCLUDED.heartbeat",
                Params().add(nodeId_));
        tx.exec(std::string("DELETE FROM nodes WHERE id <> $1 AND heartbeat < ") + kNow + " - $2",
                Params().add(nodeId_).add(int64_t(options_.staleAfter.count())));
        // Holds of nodes without a row go back to their balances in one statement.
        tx.exec("WITH freed AS (DELETE FROM holds WHERE node NOT IN (SELECT id FROM nodes)"
                "  RETURNING user_id, seconds),"
                " per_user AS (SELECT user_id, SUM(seconds)::bigint AS seconds FROM freed GROUP BY user_id)"
                " UPDATE users u SET balance = u.balance + p.seconds FROM per_user p WHERE u.id = p.user_id");
        tx.exec("UPDATE jobs SET state = 'interrupted' WHERE state IN ('uploading', 'running')"
                " AND (node IS NULL OR node NOT IN (SELECT id FROM nodes))");
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::createUser(const std::string &name, const std::string &passwordHash,
                                             const std::string &email, int64_t balance, int64_t at)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        const Result user = tx.exec("INSERT INTO users (name, pwhash, email, balance, created) VALUES ($1, $2, $3, $4, $5)"
                                    " ON CONFLICT (name) DO NOTHING RETURNING id",
                                    Params().add(name).add(passwordHash).bytes(email).add(balance).add(at));
        if (tx.failed())
            return StoreResult::Error;
        if (user.rows() == 0)
            return StoreResult::Conflict;
        // The starting balance is a free "+" record, as in the SQLite store.
        if (balance > 0)
            tx.exec("INSERT INTO records (user_id, at, sign, amount, seconds) VALUES ($1, $2, '+', $3, $4)",
                    Params().add(user.integer(0, 0)).add(at).bytes("0").add(balance));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::findUser(const std::string &name, UserRow *out)
{
    return transact(Kind::Read, [&](Transaction &tx) {
        const Result r = tx.exec(std::string("SELECT ") + kUserColumns + " FROM users u WHERE u.name = $1",
                                 Params().add(name));
        if (tx.failed())
            return StoreResult::Error;
        if (r.rows() == 0)
            return StoreResult::NotFound;
        *out = readUser(r);
        return StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::setLoginFailures(int64_t userId, int failures, int64_t at)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        tx.exec("UPDATE users SET failed_logins = $1, last_failure = $2 WHERE id = $3",
                Params().add(int64_t(failures)).add(at).add(userId));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

namespace {

template <typename Tx>
LoginFailures readAddressFailures(Tx &tx, int64_t userId, const std::string &address, bool lock)
{
    const Result r = tx.exec(std::string("SELECT failures, last_failure FROM login_failures"
                                         " WHERE user_id = $1 AND address = $2")
                                 + (lock ? " FOR UPDATE" : ""),
                             Params().add(userId).add(address));
    if (tx.failed() || r.rows() == 0)
        return {};
    return {int(r.integer(0, 0)), r.integer(0, 1)};
}

template <typename Tx>
void writeAddressFailures(Tx &tx, int64_t userId, const std::string &address, LoginFailures failures)
{
    if (failures.failures == 0) {
        tx.exec("DELETE FROM login_failures WHERE user_id = $1 AND address = $2", Params().add(userId).add(address));
        return;
    }
    tx.exec("INSERT INTO login_failures (user_id, address, failures, last_failure) VALUES ($1, $2, $3, $4)"
            " ON CONFLICT (user_id, address) DO UPDATE SET failures = EXCLUDED.failures,"
            " last_failure = EXCLUDED.last_failure",
            Params().add(userId).add(address).add(int64_t(failures.failures)).add(failures.lastFailureAt));
}

}  // namespace

StoreResult PostgresAccountStore::addressLoginFailures(int64_t userId, const std::string &address, LoginFailures *out)
{
    return transact(Kind::Read, [&](Transaction &tx) {
        *out = readAddressFailures(tx, userId, address, false);
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::setAddressLoginFailures(int64_t userId, const std::string &address,
                                                          LoginFailures failures)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        writeAddressFailures(tx, userId, address, failures);
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::countLoginFailure(int64_t userId, const std::string &address,
                                                    LoginFailures seenAccount, LoginFailures seenAddress,
                                                    LoginFailures account, LoginFailures fromAddress)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        // The user row's lock, taken here, orders every count on the account.
        const Result counted = tx.exec("UPDATE users SET failed_logins = $1, last_failure = $2"
                                       " WHERE id = $3 AND failed_logins = $4 AND last_failure = $5",
                                       Params()
                                           .add(int64_t(account.failures))
                                           .add(account.lastFailureAt)
                                           .add(userId)
                                           .add(int64_t(seenAccount.failures))
                                           .add(seenAccount.lastFailureAt));
        if (tx.failed())
            return StoreResult::Error;
        if (counted.affected() != 1)
            return StoreResult::Conflict;
        const LoginFailures current = readAddressFailures(tx, userId, address, true);
        if (tx.failed())
            return StoreResult::Error;
        if (current.failures != seenAddress.failures || current.lastFailureAt != seenAddress.lastFailureAt)
            return StoreResult::Conflict;
        writeAddressFailures(tx, userId, address, fromAddress);
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::clearLoginFailures(int64_t userId, const std::string &address)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        tx.exec("UPDATE users SET failed_logins = 0 WHERE id = $1", Params().add(userId));
        writeAddressFailures(tx, userId, address, {});
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::setPasswordHash(int64_t userId, const std::string &passwordHash)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        tx.exec("UPDATE users SET pwhash = $1, failed_logins = 0 WHERE id = $2", Params().add(passwordHash).add(userId));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::addSession(const std::string &sessionDigest, int64_t userId, int64_t at)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        tx.exec("INSERT INTO sessions (digest, user_id, created) VALUES ($1, $2, $3)",
                Params().add(sessionDigest).add(userId).add(at));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::sessionUser(const std::string &sessionDigest, int64_t notBefore, UserRow *out)
{
    return transact(Kind::Read, [&](Transaction &tx) {
        const Result r = tx.exec(std::string("SELECT ") + kUserColumns
                                     + " FROM sessions s JOIN users u ON u.id = s.user_id"
                                       " WHERE s.digest = $1 AND s.created >= $2",
                                 Params().add(sessionDigest).add(notBefore));
        if (tx.failed())
            return StoreResult::Error;
        if (r.rows() == 0)
            return StoreResult::NotFound;
        *out = readUser(r);
        return StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::removeSession(const std::string &sessionDigest)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        const Result r = tx.exec("DELETE FROM sessions WHERE digest = $1", Params().add(sessionDigest));
        if (tx.failed())
            return StoreResult::Error;
        return r.affected() > 0 ? StoreResult::Ok : StoreResult::NotFound;
    });
}

StoreResult PostgresAccountStore::recharge(int64_t userId, int64_t seconds, const std::string &money, int64_t at)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        // The row lock first: holds read after it are all the account has.
        const Result user = tx.exec("SELECT balance FROM users WHERE id = $1 FOR UPDATE", Params().add(userId));
        if (tx.failed())
            return StoreResult::Error;
        if (user.rows() == 0)
            return StoreResult::NotFound;
        const Result held =
            tx.exec("SELECT COALESCE(SUM(seconds), 0)::bigint FROM holds WHERE user_id = $1", Params().add(userId));
        if (tx.failed())
            return StoreResult::Error;
        // Held seconds count too: they come back when a job fails.
        if (user.integer(0, 0) + held.integer(0, 0) > kMaxBalance - seconds)
            return StoreResult::Insufficient;
        tx.exec("UPDATE users SET balance = balance + $1 WHERE id = $2", Params().add(seconds).add(userId));
        tx.exec("INSERT INTO records (user_id, at, sign, amount, seconds) VALUES ($1, $2, '+', $3, $4)",
                Params().add(userId).add(at).bytes(money).add(seconds));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::balance(int64_t userId, int64_t *out)
{
    return transact(Kind::Read, [&](Transaction &tx) {
        const Result r = tx.exec("SELECT balance FROM users WHERE id = $1", Params().add(userId));
        if (tx.failed())
            return StoreResult::Error;
        if (r.rows() == 0)
            return StoreResult::NotFound;
        *out = r.integer(0, 0);
        return StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::records(int64_t userId, int64_t start, int64_t count, std::vector<BalanceRecord> *out)
{
    return transact(Kind::Read, [&](Transaction &tx) {
        const Result r = tx.exec("SELECT at, sign, amount, seconds FROM records WHERE user_id = $1"
                                 " ORDER BY id DESC LIMIT $2 OFFSET $3",
                                 Params().add(userId).add(count).add(start));
        if (tx.failed())
            return StoreResult::Error;
        out->clear();
        for (int row = 0; row < r.rows(); ++row) {
            const std::string sign = r.text(row, 1);
            out->push_back({r.integer(row, 0), sign.empty() ? '?' : sign[0], r.bytes(row, 2), r.integer(row, 3)});
        }
        return StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::jobs(int64_t userId, int64_t start, int64_t count, std::vector<JobRecord> *out)
{
    return transact(Kind::Read, [&](Transaction &tx) {
        const Result r = tx.exec("SELECT at, filename, seconds, state FROM jobs WHERE user_id = $1"
                                 " ORDER BY id DESC LIMIT $2 OFFSET $3",
                                 Params().add(userId).add(count).add(start));
        if (tx.failed())
            return StoreResult::Error;
        out->clear();
        for (int row = 0; row < r.rows(); ++row)
            out->push_back({r.integer(row, 0), r.bytes(row, 1), r.integer(row, 2), r.text(row, 3)});
        return StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::addJob(int64_t userId, const std::string &filename, int64_t seconds,
                                         const std::string &state, int64_t at, int64_t *jobId)
{
    return transact(
        Kind::Write,
        [&](Transaction &tx) {
            const Result r = tx.exec("INSERT INTO jobs (user_id, at, filename, seconds, state, node)"
                                     " VALUES ($1, $2, $3, $4, $5, $6) RETURNING id",
                                     Params().add(userId).add(at).bytes(filename).add(seconds).add(state).add(nodeId_));
            if (tx.failed())
                return StoreResult::Error;
            tx.result = r.integer(0, 0);
            return StoreResult::Ok;
        },
        jobId);
}

StoreResult PostgresAccountStore::setJobState(int64_t jobId, const std::string &state, int64_t seconds)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        tx.exec("UPDATE jobs SET state = $1, seconds = $2 WHERE id = $3", Params().add(state).add(seconds).add(jobId));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::jobState(int64_t jobId, std::string *state)
{
    return transact(Kind::Read, [&](Transaction &tx) {
        const Result r = tx.exec("SELECT state FROM jobs WHERE id = $1", Params().add(jobId));
        if (tx.failed())
            return StoreResult::Error;
        if (r.rows() == 0)
            return StoreResult::NotFound;
        *state = r.text(0, 0);
        return StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::hold(int64_t jobId, int64_t userId, int64_t seconds)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        // One statement locks the row and checks the balance it finds there.
        const Result taken = tx.exec("UPDATE users SET balance = balance - $1 WHERE id = $2 AND balance >= $1",
                                     Params().add(seconds).add(userId));
        if (tx.failed())
            return StoreResult::Error;
        if (taken.affected() != 1)
            return StoreResult::Insufficient;
        tx.exec("INSERT INTO holds (job_id, user_id, seconds, node) VALUES ($1, $2, $3, $4)",
                Params().add(jobId).add(userId).add(seconds).add(nodeId_));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::settle(int64_t jobId, const std::string &filename, int64_t at)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        // Deleting the hold is what claims it: a release or a recovery at the
        // same moment finds nothing.
        const Result held =
            tx.exec("DELETE FROM holds WHERE job_id = $1 RETURNING user_id, seconds", Params().add(jobId));
        if (tx.failed())
            return StoreResult::Error;
        if (held.rows() == 0)
            return StoreResult::NotFound;
        const int64_t seconds = held.integer(0, 1);
        tx.exec("INSERT INTO records (user_id, at, sign, amount, seconds) VALUES ($1, $2, '-', $3, $4)",
                Params().add(held.integer(0, 0)).add(at).bytes(filename).add(seconds));
        tx.exec("UPDATE jobs SET state = 'done', seconds = $1 WHERE id = $2", Params().add(seconds).add(jobId));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::refundSettled(int64_t jobId, const std::string &state, int64_t at)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        const Result job = tx.exec("UPDATE jobs SET state = $1 WHERE id = $2 AND state = 'done'"
                                   " RETURNING user_id, seconds, filename",
                                   Params().add(state).add(jobId));
        if (tx.failed())
            return StoreResult::Error;
        if (job.rows() == 0)
            return StoreResult::NotFound;
        const int64_t userId = job.integer(0, 0);
        const int64_t seconds = job.integer(0, 1);
        tx.exec("UPDATE users SET balance = balance + $1 WHERE id = $2", Params().add(seconds).add(userId));
        tx.exec("INSERT INTO records (user_id, at, sign, amount, seconds) VALUES ($1, $2, '+', $3, $4)",
                Params().add(userId).add(at).bytes(job.bytes(0, 2)).add(seconds));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

StoreResult PostgresAccountStore::release(int64_t jobId, const std::string &state)
{
    return transact(Kind::Write, [&](Transaction &tx) {
        const Result held =
            tx.exec("DELETE FROM holds WHERE job_id = $1 RETURNING user_id, seconds", Params().add(jobId));
        if (tx.failed())
            return StoreResult::Error;
        if (held.rows() == 1)
            tx.exec("UPDATE users SET balance = balance + $1 WHERE id = $2",
                    Params().add(held.integer(0, 1)).add(held.integer(0, 0)));
        tx.exec("UPDATE jobs SET state = $1 WHERE id = $2", Params().add(state).add(jobId));
        return tx.failed() ? StoreResult::Error : StoreResult::Ok;
    });
}

}  // namespace cw::service
