#pragma once
// The command line: running the server, or the operator's add-user and
// add-credit.

#include "ConnectionLimits.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cw::service {

struct ServiceOptions {
    enum class Mode { Serve, AddUser, AddCredit, Help };
    Mode mode = Mode::Serve;
    std::string listenAddress = "127.0.0.1";
    int port = 30000;
    std::string dataDirectory;  // empty: the default below
    int64_t initialBalance = 600;
    int workers = 0;  // 0: one per processor core
    std::string newUser;
    std::string newPassword;
    int64_t newBalance = -1;  // -1: the initial balance
    int64_t creditSeconds = 0;
    int webPort = -1;          // -1: no web host
    std::string webRoot;       // empty: "web" in the data folder
    // Protocol recharges credit without any payment; only for demos and tests.
    bool allowRecharge = false;
    ConnectionLimits limits;
    // An operator's recogniser, run for each job without a transcript
    // instead of the built-in one (empty: the built-in one).
    std::string recognizerCommand;
    std::string recognizerLanguage = "en";
    int64_t recognizerTimeLimit = 60;  // seconds, plus twice the audio's length
    // Answers every job at once without listening to it; only for load tests.
    bool instantEngine = false;
    // "sqlite" (the default, in the data folder) or a postgresql:// URL.
    std::string store = "sqlite";
};

enum class StoreKind { Sqlite, Postgres, Unknown };
// Which store a --store value names: "sqlite", or a libpq URI
// ("postgresql://" or "postgres://").
StoreKind storeKind(const std::string &store);

// Nothing and a message on a bad command line.
bool parseServiceOptions(const std::vector<std::string> &arguments, ServiceOptions *options, std::string *error);
// $XDG_DATA_HOME/cuewright-service, else ~/.local/share/cuewright-service.
std::string defaultDataDirectory();
const char *serviceUsage();

}  // namespace cw::service
