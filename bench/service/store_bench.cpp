// Account operations per second on the SQLite store against the PostgreSQL
// store (a private server over its Unix socket, commits synced like SQLite's),
// from one thread and from several at once. Prints each rate and the ratio.
//
//   bench_account_store [SECONDS_PER_RUN [THREADS]]

#include "PostgresAccountStore.h"
#include "PostgresServer.h"
#include "SqliteAccountStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

using namespace cw::service;
using Clock = std::chrono::steady_clock;

namespace {

struct Operation {
    const char *name;
    // One operation by thread `t`, counted when it returns true.
    std::function<bool(AccountStore &, int t, int64_t user)> run;
};

// A log-in's store work after the password check: the user, the address's
// count, clearing both, a new session.
bool loginCheck(AccountStore &store, int t, int64_t)
{
    static std::atomic<uint64_t> sessions{0};
    UserRow row;
    LoginFailures fromAddress;
    const std::string name = "user" + std::to_string(t);
    return store.findUser(name, &row) == StoreResult::Ok
           && store.addressLoginFailures(row.id, "127.0.0.1", &fromAddress) == StoreResult::Ok
           && store.clearLoginFailures(row.id, "127.0.0.1") == StoreResult::Ok
           && store.addSession("s" + std::to_string(++sessions), row.id, 1) == StoreResult::Ok;
}

bool holdAndSettle(AccountStore &store, int, int64_t user)
{
    int64_t job = 0;
    return store.addJob(user, "a.wav", 1, "uploading", 1, &job) == StoreResult::Ok
           && store.hold(job, user, 1) == StoreResult::Ok && store.settle(job, "a.wav", 2) == StoreResult::Ok;
}

bool recharge(AccountStore &store, int, int64_t user) { return store.recharge(user, 1, "1", 1) == StoreResult::Ok; }

// Operations a second over `seconds`, `threads` at once; each thread has its
// own account, so only the store's own serialisation shows.
double rate(AccountStore &store, const Operation &operation, const std::vector<int64_t> &users, int threads,
            double seconds)
{
    std::atomic<long> done{0};
    std::atomic<bool> failed{false};
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(seconds));
    const Clock::time_point start = Clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            while (Clock::now() < end && !failed) {
                if (operation.run(store, t, users[size_t(t)]))
                    ++done;
                else
                    failed = true;
            }
        });
    for (std::thread &worker : workers)
        worker.join();
    if (failed) {
        std::fprintf(stderr, "%s failed\n", operation.name);
        std::exit(1);
    }
    return double(done) / std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<int64_t> makeUsers(AccountStore &store, int count)
{
    std::vector<int64_t> users;
    for (int t = 0; t < count; ++t) {
        const std::string name = "user" + std::to_string(t);
        UserRow row;
        if (store.createUser(name, "hash", "", 1000000, 1) != StoreResult::Ok
            || store.findUser(name, &row) != StoreResult::Ok) {
            std::fprintf(stderr, "cannot create %s\n", name.c_str());
            std::exit(1);
        }
        users.push_back(row.id);
    }
    return users;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);  // the SQLite driver plugin is found through it
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 4;
    if (seconds <= 0 || threads < 1) {
        std::fprintf(stderr, "usage: bench_account_store [SECONDS_PER_RUN [THREADS]]\n");
        return 2;
    }
    QTemporaryDir dir;
    cw::testing::PostgresServer server(true);
    if (!dir.isValid() || !server.ok()) {
        std::fprintf(stderr, "no PostgreSQL server: %s\n", server.reason().c_str());
        return 1;
    }
    std::string error;
    auto sqlite = SqliteAccountStore::open(dir.filePath(QStringLiteral("accounts.sqlite")).toStdString(), &error);
    auto postgres = PostgresAccountStore::open(server.url("bench"), &error);
    if (!sqlite || !postgres) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::vector<int64_t> sqliteUsers = makeUsers(*sqlite, threads);
    const std::vector<int64_t> postgresUsers = makeUsers(*postgres, threads);

    const Operation operations[] = {
        {"log-in check", loginCheck},
        {"hold + settle", holdAndSettle},
        {"recharge", recharge},
    };
    std::printf("%-14s %8s %12s %12s %10s\n", "operation", "threads", "sqlite/s", "postgres/s", "pg:sqlite");
    for (const Operation &operation : operations) {
        for (const int n : {1, threads}) {
            const double onSqlite = rate(*sqlite, operation, sqliteUsers, n, seconds);
            const double onPostgres = rate(*postgres, operation, postgresUsers, n, seconds);
            std::printf("%-14s %8d %12.0f %12.0f %10.2f\n", operation.name, n, onSqlite, onPostgres,
                        onPostgres / onSqlite);
        }
    }
    return 0;
}
