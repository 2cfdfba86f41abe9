#include "SqliteAccountStore.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <atomic>
#include <future>

namespace cw::service {

namespace {

QByteArray bytes(const std::string &text)
{
    return QByteArray(text.data(), int(text.size()));
}

std::string text(const QVariant &value)
{
    const QByteArray raw = value.toByteArray();
    return std::string(raw.constData(), size_t(raw.size()));
}

bool run(QSqlQuery &query, std::initializer_list<QVariant> values = {})
{
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

bool exec(QSqlDatabase &db, const char *sql, std::initializer_list<QVariant> values = {})
{
    QSqlQuery query(db);
    return query.prepare(QString::fromLatin1(sql)) && run(query, values);
}

const char *const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS users (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, pwhash TEXT NOT NULL,"
    " email BLOB, active INTEGER NOT NULL DEFAULT 1, balance INTEGER NOT NULL CHECK (balance >= 0),"
    " failed_logins INTEGER NOT NULL DEFAULT 0, last_failure INTEGER NOT NULL DEFAULT 0, created INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS sessions (digest TEXT PRIMARY KEY, user_id INTEGER NOT NULL REFERENCES users(id),"
    " created INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS records (id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL REFERENCES users(id),"
    " at INTEGER NOT NULL, sign TEXT NOT NULL, amount BLOB NOT NULL, seconds INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS records_by_user ON records (user_id, id)",
    "CREATE TABLE IF NOT EXISTS jobs (id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL REFERENCES users(id),"
    " at INTEGER NOT NULL, filename BLOB NOT NULL, seconds INTEGER NOT NULL, state TEXT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS jobs_by_user ON jobs (user_id, id)",
    "CREATE TABLE IF NOT EXISTS login_failures (user_id INTEGER NOT NULL REFERENCES users(id),"
    " address TEXT NOT NULL, failures INTEGER NOT NULL, last_failure INTEGER NOT NULL, PRIMARY KEY (user_id, address))",
    "CREATE TABLE IF NOT EXISTS holds (job_id INTEGER PRIMARY KEY REFERENCES jobs(id),"
    " user_id INTEGER NOT NULL REFERENCES users(id), seconds INTEGER NOT NULL CHECK (seconds >= 0))",
};

UserRow readUser(const QSqlQuery &query)
{
    UserRow row;
    row.id = query.value(0).toLongLong();
    row.name = text(query.value(1));
    row.passwordHash = text(query.value(2));
    row.active = query.value(3).toInt() != 0;
    row.balance = query.value(4).toLongLong();
    row.failedLogins = query.value(5).toInt();
    row.lastFailureAt = query.value(6).toLongLong();
    return row;
}

const char *const kUserColumns = "u.id, u.name, u.pwhash, u.active, u.balance, u.failed_logins, u.last_failure";

std::atomic<int> connectionCounter{0};

}  // namespace

SqliteAccountStore::SqliteAccountStore(std::string path)
    : path_(std::move(path)), connectionName_("cw-store-" + std::to_string(++connectionCounter))
{
}

std::unique_ptr<SqliteAccountStore> SqliteAccountStore::open(const std::string &path, std::string *error)
{
    std::unique_ptr<SqliteAccountStore> store(new SqliteAccountStore(path));
    if (!store->start(error))
        return nullptr;
    return store;
}

bool SqliteAccountStore::start(std::string *error)
{
    std::promise<std::string> opened;
    std::future<std::string> result = opened.get_future();
    thread_ = std::thread([this, &opened] {
        std::string failure;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QString::fromStdString(connectionName_));
            db.setDatabaseName(QString::fromStdString(path_));
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
            if (!db.open()) {
                failure = "cannot open " + path_ + ": " + db.lastError().text().toStdString();
            } else {
                QSqlQuery pragma(db);
                pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
                pragma.exec(QStringLiteral("PRAGMA synchronous=FULL"));
                pragma.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
                for (const char *statement : kSchema) {
                    if (!pragma.exec(QString::fromLatin1(statement))) {
                        failure = "cannot create schema: " + pragma.lastError().text().toStdString();
                        break;
                    }
                }
            }
        }
        const bool ok = failure.empty();
        opened.set_value(failure);
        if (ok)
            threadMain();
        QSqlDatabase::removeDatabase(QString::fromStdString(connectionName_));
    });
    const std::string failure = result.get();
    if (!failure.empty()) {
        thread_.join();
        if (error)
            *error = failure;
        return false;
    }
    return true;
}

SqliteAccountStore::~SqliteAccountStore()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void SqliteAccountStore::threadMain()
{
    {
        QSqlDatabase db = QSqlDatabase::database(QString::fromStdString(connectionName_), false);
        for (;;) {
            std::function<void(QSqlDatabase *)> task;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (queue_.empty())
                    break;
                task = std::move(queue_.front());
                queue_.pop_front();
            }
            task(&db);
        }
        db.close();
    }
}

StoreResult SqliteAccountStore::transact(const std::function<StoreResult(QSqlDatabase &)> &work)
{
    auto done = std::make_shared<std::promise<StoreResult>>();
    std::future<StoreResult> result = done->get_future();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_)
            return StoreResult::Error;
        queue_.push_back([work, done](QSqlDatabase *db) {
            if (!db->transaction()) {
                done->set_value(StoreResult::Error);
                return;
            }
            const StoreResult outcome = work(*db);
            const bool keep = outcome == StoreResult::Ok;
            if (keep ? !db->commit() : !db->rollback()) {
                db->rollback();
                done->set_value(StoreResult::Error);
                return;
            }
            done->set_value(outcome);
        });
    }
    wake_.notify_one();
    return result.get();
}

StoreResult SqliteAccountStore::createUser(const std::string &name, const std::string &passwordHash,
                                           const std::string &email, int64_t balance, int64_t at)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT 1 FROM users WHERE name = ?"));
        if (!run(query, {QString::fromStdString(name)}))
            return StoreResult::Error;
        if (query.next())
            return StoreResult::Conflict;
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO users (name, pwhash, email, balance, created) VALUES (?, ?, ?, ?, ?)"));
        if (!run(insert, {QString::fromStdString(name), QString::fromStdString(passwordHash), bytes(email),
                          qlonglong(balance), qlonglong(at)}))
            return StoreResult::Error;
        // The starting balance is a free "+" record, so the user's records
        // account for every second from the first day.
        if (balance > 0
            && !exec(db, "INSERT INTO records (user_id, at, sign, amount, seconds) VALUES (?, ?, '+', '0', ?)",
                     {insert.lastInsertId(), qlonglong(at), qlonglong(balance)}))
            return StoreResult::Error;
        return StoreResult::Ok;
    });
}

StoreResult SqliteAccountStore::findUser(const std::string &name, UserRow *out)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT %1 FROM users u WHERE u.name = ?").arg(QLatin1String(kUserColumns)));
        if (!run(query, {QString::fromStdString(name)}))
            return StoreResult::Error;
        if (!query.next())
            return StoreResult::NotFound;
        *out = readUser(query);
        return StoreResult::Ok;
    });
}

StoreResult SqliteAccountStore::setLoginFailures(int64_t userId, int failures, int64_t at)
{
    return transact([&](QSqlDatabase &db) {
        return exec(db, "UPDATE users SET failed_logins = ?, last_failure = ? WHERE id = ?",
                    {failures, qlonglong(at), qlonglong(userId)})
                   ? StoreResult::Ok
                   : StoreResult::Error;
    });
}

namespace {

StoreResult readAddressFailures(QSqlDatabase &db, int64_t userId, const std::string &address, LoginFailures *out)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT failures, last_failure FROM login_failures WHERE user_id = ? AND address = ?"));
    if (!run(query, {qlonglong(userId), QString::fromStdString(address)}))
        return StoreResult::Error;
    *out = query.next() ? LoginFailures{query.value(0).toInt(), query.value(1).toLongLong()} : LoginFailures{};
    return StoreResult::Ok;
}

bool writeAddressFailures(QSqlDatabase &db, int64_t userId, const std::string &address, LoginFailures failures)
{
    if (failures.failures == 0)
        return exec(db, "DELETE FROM login_failures WHERE user_id = ? AND address = ?",
                    {qlonglong(userId), QString::fromStdString(address)});
    return exec(db, "INSERT OR REPLACE INTO login_failures (user_id, address, failures, last_failure) VALUES (?, ?, ?, ?)",
                {qlonglong(userId), QString::fromStdString(address), failures.failures, qlonglong(failures.lastFailureAt)});
}

}  // namespace

StoreResult SqliteAccountStore::addressLoginFailures(int64_t userId, const std::string &address, LoginFailures *out)
{
    return transact([&](QSqlDatabase &db) { return readAddressFailures(db, userId, address, out); });
}

StoreResult SqliteAccountStore::setAddressLoginFailures(int64_t userId, const std::string &address,
                                                        LoginFailures failures)
{
    return transact([&](QSqlDatabase &db) {
        return writeAddressFailures(db, userId, address, failures) ? StoreResult::Ok : StoreResult::Error;
    });
}

StoreResult SqliteAccountStore::countLoginFailure(int64_t userId, const std::string &address, LoginFailures seenAccount,
                                                  LoginFailures seenAddress, LoginFailures account,
                                                  LoginFailures fromAddress)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("UPDATE users SET failed_logins = ?, last_failure = ?"
                                     " WHERE id = ? AND failed_logins = ? AND last_failure = ?"));
        if (!run(query, {account.failures, qlonglong(account.lastFailureAt), qlonglong(userId), seenAccount.failures,
                         qlonglong(seenAccount.lastFailureAt)}))
            return StoreResult::Error;
        if (query.numRowsAffected() != 1)
            return StoreResult::Conflict;
        LoginFailures current;
        if (readAddressFailures(db, userId, address, &current) != StoreResult::Ok)
            return StoreResult::Error;
        if (current.failures != seenAddress.failures || current.lastFailureAt != seenAddress.lastFailureAt)
            return StoreResult::Conflict;
        return writeAddressFailures(db, userId, address, fromAddress) ? StoreResult::Ok : StoreResult::Error;
    });
}

StoreResult SqliteAccountStore::clearLoginFailures(int64_t userId, const std::string &address)
{
    return transact([&](QSqlDatabase &db) {
        const bool ok = exec(db, "UPDATE users SET failed_logins = 0 WHERE id = ?", {qlonglong(userId)})
                        && writeAddressFailures(db, userId, address, {});
        return ok ? StoreResult::Ok : StoreResult::Error;
    });
}

StoreResult SqliteAccountStore::setPasswordHash(int64_t userId, const std::string &passwordHash)
{
    return transact([&](QSqlDatabase &db) {
        return exec(db, "UPDATE users SET pwhash = ?, failed_logins = 0 WHERE id = ?",
                    {QString::fromStdString(passwordHash), qlonglong(userId)})
                   ? StoreResult::Ok
                   : StoreResult::Error;
    });
}

StoreResult SqliteAccountStore::addSession(const std::string &sessionDigest, int64_t userId, int64_t at)
{
    return transact([&](QSqlDatabase &db) {
        return exec(db, "INSERT INTO sessions (digest, user_id, created) VALUES (?, ?, ?)",
                    {QString::fromStdString(sessionDigest), qlonglong(userId), qlonglong(at)})
                   ? StoreResult::Ok
                   : StoreResult::Error;
    });
}

StoreResult SqliteAccountStore::sessionUser(const std::string &sessionDigest, int64_t notBefore, UserRow *out)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT %1 FROM sessions s JOIN users u ON u.id = s.user_id"
                                     " WHERE s.digest = ? AND s.created >= ?")
                          .arg(QLatin1String(kUserColumns)));
        if (!run(query, {QString::fromStdString(sessionDigest), qlonglong(notBefore)}))
            return StoreResult::Error;
        if (!query.next())
            return StoreResult::NotFound;
        *out = readUser(query);
        return StoreResult::Ok;
    });
}

StoreResult SqliteAccountStore::removeSession(const std::string &sessionDigest)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("DELETE FROM sessions WHERE digest = ?"));
        if (!run(query, {QString::fromStdString(sessionDigest)}))
            return StoreResult::Error;
        return query.numRowsAffected() > 0 ? StoreResult::Ok : StoreResult::NotFound;
    });
}

StoreResult SqliteAccountStore::recharge(int64_t userId, int64_t seconds, const std::string &money, int64_t at)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        // Held seconds count too: they come back when a job fails.
        query.prepare(QStringLiteral("UPDATE users SET balance = balance + ? WHERE id = ? AND balance"
                                     " + (SELECT COALESCE(SUM(seconds), 0) FROM holds WHERE holds.user_id = users.id)"
                                     " <= ? - ?"));
        if (!run(query, {qlonglong(seconds), qlonglong(userId), qlonglong(kMaxBalance), qlonglong(seconds)}))
            return StoreResult::Error;
        if (query.numRowsAffected() != 1)
            return StoreResult::Insufficient;
        return exec(db, "INSERT INTO records (user_id, at, sign, amount, seconds) VALUES (?, ?, '+', ?, ?)",
                    {qlonglong(userId), qlonglong(at), bytes(money), qlonglong(seconds)})
                   ? StoreResult::Ok
                   : StoreResult::Error;
    });
}

StoreResult SqliteAccountStore::balance(int64_t userId, int64_t *out)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT balance FROM users WHERE id = ?"));
        if (!run(query, {qlonglong(userId)}))
            return StoreResult::Error;
        if (!query.next())
            return StoreResult::NotFound;
        *out = query.value(0).toLongLong();
        return StoreResult::Ok;
    });
}

StoreResult SqliteAccountStore::records(int64_t userId, int64_t start, int64_t count, std::vector<BalanceRecord> *out)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT at, sign, amount, seconds FROM records WHERE user_id = ?"
                                     " ORDER BY id DESC LIMIT ? OFFSET ?"));
        if (!run(query, {qlonglong(userId), qlonglong(count), qlonglong(start)}))
            return StoreResult::Error;
        out->clear();
        while (query.next()) {
            const std::string sign = text(query.value(1));
            out->push_back({query.value(0).toLongLong(), sign.empty() ? '?' : sign[0], text(query.value(2)),
                            query.value(3).toLongLong()});
        }
        return StoreResult::Ok;
    });
}

StoreResult SqliteAccountStore::jobs(int64_t userId, int64_t start, int64_t count, std::vector<JobRecord> *out)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT at, filename, seconds, state FROM jobs WHERE user_id = ?"
                                     " ORDER BY id DESC LIMIT ? OFFSET ?"));
        if (!run(query, {qlonglong(userId), qlonglong(count), qlonglong(start)}))
            return StoreResult::Error;
        out->clear();
        while (query.next())
            out->push_back({query.value(0).toLongLong(), text(query.value(1)), query.value(2).toLongLong(),
                            text(query.value(3))});
        return StoreResult::Ok;
    });
}

StoreResult SqliteAccountStore::addJob(int64_t userId, const std::string &filename, int64_t seconds,
                                       const std::string &state, int64_t at, int64_t *jobId)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("INSERT INTO jobs (user_id, at, filename, seconds, state) VALUES (?, ?, ?, ?, ?)"));
        if (!run(query, {qlonglong(userId), qlonglong(at), bytes(filename), qlonglong(seconds),
                         QString::fromStdString(state)}))
            return StoreResult::Error;
        *jobId = query.lastInsertId().toLongLong();
        return StoreResult::Ok;
    });
}

StoreResult SqliteAccountStore::setJobState(int64_t jobId, const std::string &state, int64_t seconds)
{
    return transact([&](QSqlDatabase &db) {
        return exec(db, "UPDATE jobs SET state = ?, seconds = ? WHERE id = ?",
                    {QString::fromStdString(state), qlonglong(seconds), qlonglong(jobId)})
                   ? StoreResult::Ok
                   : StoreResult::Error;
    });
}

StoreResult SqliteAccountStore::jobState(int64_t jobId, std::string *state)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT state FROM jobs WHERE id = ?"));
        if (!run(query, {qlonglong(jobId)}))
            return StoreResult::Error;
        if (!query.next())
            return StoreResult::NotFound;
        *state = text(query.value(0));
        return StoreResult::Ok;
    });
}

StoreResult SqliteAccountStore::hold(int64_t jobId, int64_t userId, int64_t seconds)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("UPDATE users SET balance = balance - ? WHERE id = ? AND balance >= ?"));
        if (!run(query, {qlonglong(seconds), qlonglong(userId), qlonglong(seconds)}))
            return StoreResult::Error;
        if (query.numRowsAffected() != 1)
            return StoreResult::Insufficient;
        return exec(db, "INSERT INTO holds (job_id, user_id, seconds) VALUES (?, ?, ?)",
                    {qlonglong(jobId), qlonglong(userId), qlonglong(seconds)})
                   ? StoreResult::Ok
                   : StoreResult::Error;
    });
}

StoreResult SqliteAccountStore::settle(int64_t jobId, const std::string &filename, int64_t at)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT user_id, seconds FROM holds WHERE job_id = ?"));
        if (!run(query, {qlonglong(jobId)}))
            return StoreResult::Error;
        if (!query.next())
            return StoreResult::NotFound;
        const qlonglong userId = query.value(0).toLongLong();
        const qlonglong seconds = query.value(1).toLongLong();
        query.finish();
        const bool ok = exec(db, "DELETE FROM holds WHERE job_id = ?", {qlonglong(jobId)})
                        && exec(db, "INSERT INTO records (user_id, at, sign, amount, seconds) VALUES (?, ?, '-', ?, ?)",
                                {userId, qlonglong(at), bytes(filename), seconds})
                        && exec(db, "UPDATE jobs SET state = 'done', seconds = ? WHERE id = ?", {seconds, qlonglong(jobId)});
        return ok ? StoreResult::Ok : StoreResult::Error;
    });
}

StoreResult SqliteAccountStore::refundSettled(int64_t jobId, const std::string &state, int64_t at)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT user_id, seconds, filename FROM jobs WHERE id = ? AND state = 'done'"));
        if (!run(query, {qlonglong(jobId)}))
            return StoreResult::Error;
        if (!query.next())
            return StoreResult::NotFound;
        const qlonglong userId = query.value(0).toLongLong();
        const qlonglong seconds = query.value(1).toLongLong();
        const QVariant filename = query.value(2);
        query.finish();
        const bool ok = exec(db, "UPDATE users SET balance = balance + ? WHERE id = ?", {seconds, userId})
                        && exec(db, "INSERT INTO records (user_id, at, sign, amount, seconds) VALUES (?, ?, '+', ?, ?)",
                                {userId, qlonglong(at), filename, seconds})
                        && exec(db, "UPDATE jobs SET state = ? WHERE id = ?", {QString::fromStdString(state), qlonglong(jobId)});
        return ok ? StoreResult::Ok : StoreResult::Error;
    });
}

StoreResult SqliteAccountStore::release(int64_t jobId, const std::string &state)
{
    return transact([&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT user_id, seconds FROM holds WHERE job_id = ?"));
        if (!run(query, {qlonglong(jobId)}))
            return StoreResult::Error;
        bool ok = true;
        if (query.next()) {
            const qlonglong userId = query.value(0).toLongLong();
            const qlonglong seconds = query.value(1).toLongLong();
            query.finish();
            ok = exec(db, "UPDATE users SET balance = balance + ? WHERE id = ?", {seconds, userId})
                 && exec(db, "DELETE FROM holds WHERE job_id = ?", {qlonglong(jobId)});
        }
        ok = ok && exec(db, "UPDATE jobs SET state = ? WHERE id = ?", {QString::fromStdString(state), qlonglong(jobId)});
        return ok ? StoreResult::Ok : StoreResult::Error;
    });
}

StoreResult SqliteAccountStore::recoverAfterRestart()
{
    return transact([&](QSqlDatabase &db) {
        const bool ok =
            exec(db, "UPDATE users SET balance = balance + (SELECT COALESCE(SUM(seconds), 0) FROM holds"
                     " WHERE holds.user_id = users.id) WHERE id IN (SELECT user_id FROM holds)")
            && exec(db, "DELETE FROM holds")
            && exec(db, "UPDATE jobs SET state = 'interrupted' WHERE state IN ('uploading', 'running')");
        return ok ? StoreResult::Ok : StoreResult::Error;
    });
}

}  // namespace cw::service
