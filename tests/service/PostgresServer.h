#pragma once
// A private PostgreSQL server for one test run: its own cluster in a
// temporary folder, reachable only over the Unix socket there.

#include <mutex>
#include <set>
#include <string>

namespace cw::testing {

class PostgresServer {
public:
    PostgresServer();   // initdb + pg_ctl start in a temporary folder; Unix socket only
    // Durable: commits wait for fsync, as in production (benchmarks). The
    // default skips it, since tests do not pull the plug.
    explicit PostgresServer(bool durable);
    ~PostgresServer();  // pg_ctl stop -m immediate, folder removed
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    bool ok() const;  // false (with reason()) when PostgreSQL is not installed or failed to start
    std::string reason() const;
    // "postgresql://…" for --store; the database is created on first use.
    std::string url(const std::string &database = "cuewright") const;

    // Whether the server programs are there at all: tests skip only when
    // they are not, a failed start is a failure.
    static bool installed();
    // The folder holding the socket (and the cluster).
    std::string socketDir() const { return folder_; }

private:
    bool run(const std::string &what, const std::initializer_list<std::string> &arguments, bool asServerUser) const;
    std::string logTail() const;

    std::string binDir_;
    std::string folder_;
    bool started_ = false;
    std::string reason_;
    mutable std::mutex mutex_;
    mutable std::set<std::string> databases_;
};

// One server for the whole test process, started on first use: each test
// takes its own database from it.
PostgresServer &sharedPostgresServer();

}  // namespace cw::testing
