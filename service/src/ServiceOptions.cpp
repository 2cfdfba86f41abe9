#include "ServiceOptions.h"

#include "engines/CommandRunner.h"

#include <cctype>
#include <cstdlib>

namespace cw::service {

namespace {

bool parseInteger(const std::string &text, int64_t low, int64_t high, int64_t *out)
{
    if (text.empty() || text.size() > 18)
        return false;
    char *end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || value < low || value > high)
        return false;
    *out = value;
    return true;
}

// Letters, digits and hyphens, as in en, zh, yue or pt-BR.
bool isLanguageCode(const std::string &text)
{
    if (text.empty() || text.size() > 16 || !std::isalpha(static_cast<unsigned char>(text[0])))
        return false;
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-')
            return false;
    return true;
}

}  // namespace

const char *serviceUsage()
{
    return "usage: cuewright-service [--listen ADDR] [--port N] [--data DIR] [--initial-balance SECONDS] [--workers N]\n"
           "                         [--web-port N] [--web-root DIR] [--allow-recharge]\n"
           "                         [--max-connections N] [--max-connections-per-address N] [--idle-limit SECONDS]\n"
           "                         [--header-limit SECONDS] [--transfer-limit SECONDS] [--min-transfer-rate BYTES]\n"
           "                         [--instant-engine] [--store sqlite|postgresql://USER@HOST/DB]\n"
           "                         [--recognizer-command \"PROGRAM ARGS\"] [--recognizer-language CODE]\n"
           "                         [--recognizer-time-limit SECONDS]\n"
           "       cuewright-service [--data DIR] add-user NAME PASSWORD [--balance SECONDS]\n"
           "       cuewright-service [--data DIR] add-credit NAME SECONDS\n"
           "       (--store goes with add-user and add-credit too)\n";
}

StoreKind storeKind(const std::string &store)
{
    if (store == "sqlite")
        return StoreKind::Sqlite;
    for (const char *scheme : {"postgresql://", "postgres://"})
        if (store.rfind(scheme, 0) == 0)
            return StoreKind::Postgres;
    return StoreKind::Unknown;
}

std::string defaultDataDirectory()
{
    const char *xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg)
        return std::string(xdg) + "/cuewright-service";
    const char *home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/cuewright-service";
}

bool parseServiceOptions(const std::vector<std::string> &arguments, ServiceOptions *options, std::string *error)
{
    std::vector<std::string> positional;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string &arg = arguments[i];
        auto value = [&](std::string *out) {
            if (i + 1 >= arguments.size()) {
                *error = arg + " needs a value";
                return false;
            }
            *out = arguments[++i];
            return true;
        };
        std::string text;
        int64_t number = 0;
        if (arg == "--help" || arg == "-h") {
            options->mode = ServiceOptions::Mode::Help;
            return true;
        } else if (arg == "--listen") {
            if (!value(&options->listenAddress))
                return false;
        } else if (arg == "--port") {
            if (!value(&text) || !parseInteger(text, 0, 65535, &number)) {
                *error = "--port takes 0 to 65535";
                return false;
            }
            options->port = int(number);
        } else if (arg == "--data") {
            if (!value(&options->dataDirectory) || options->dataDirectory.empty()) {
                *error = "--data takes a folder";
                return false;
            }
        } else if (arg == "--initial-balance") {
            if (!value(&text) || !parseInteger(text, 0, 0x7fffffff, &number)) {
                *error = "--initial-balance takes whole seconds";
                return false;
            }
            options->initialBalance = number;
        } else if (arg == "--workers") {
            if (!value(&text) || !parseInteger(text, 1, 256, &number)) {
                *error = "--workers takes 1 to 256";
                return false;
            }
            options->workers = int(number);
        } else if (arg == "--web-port") {
            if (!value(&text) || !parseInteger(text, 0, 65535, &number)) {
                *error = "--web-port takes 0 to 65535";
                return false;
            }
            options->webPort = int(number);
        } else if (arg == "--web-root") {
            if (!value(&options->webRoot) || options->webRoot.empty()) {
                *error = "--web-root takes a folder";
                return false;
            }
        } else if (arg == "--allow-recharge") {
            options->allowRecharge = true;
        } else if (arg == "--store") {
            if (!value(&options->store) || storeKind(options->store) == StoreKind::Unknown) {
                *error = "--store takes sqlite or a postgresql:// URL";
                return false;
            }
        } else if (arg == "--instant-engine") {
            options->instantEngine = true;
        } else if (arg == "--max-connections" || arg == "--max-connections-per-address") {
            if (!value(&text) || !parseInteger(text, 1, 100000, &number)) {
                *error = arg + " takes 1 to 100000";
                return false;
            }
            (arg == "--max-connections" ? options->limits.maxConnections : options->limits.maxPerAddress) = int(number);
        } else if (arg == "--idle-limit" || arg == "--header-limit" || arg == "--transfer-limit") {
            if (!value(&text) || !parseInteger(text, 1, 24 * 3600, &number)) {
                *error = arg + " takes 1 to 86400 seconds";
                return false;
            }
            const std::chrono::milliseconds limit = std::chrono::seconds(number);
            if (arg == "--idle-limit")
                options->limits.idle = limit;
            else if (arg == "--header-limit")
                options->limits.header = limit;
            else
                options->limits.transferFloor = limit;
        } else if (arg == "--min-transfer-rate") {
            if (!value(&text) || !parseInteger(text, 1, int64_t(1) << 40, &number)) {
                *error = "--min-transfer-rate takes bytes per second";
                return false;
            }
            options->limits.minBytesPerSecond = number;
        } else if (arg == "--recognizer-command") {
            std::vector<std::string> split;
            if (!value(&options->recognizerCommand))
                return false;
            if (!engines::splitCommandLine(options->recognizerCommand, &split, error)) {
                *error = "--recognizer-command: " + *error;
                return false;
            }
        } else if (arg == "--recognizer-language") {
            if (!value(&options->recognizerLanguage) || !isLanguageCode(options->recognizerLanguage)) {
                *error = "--recognizer-language takes a code such as en, zh or pt-BR";
                return false;
            }
        } else if (arg == "--recognizer-time-limit") {
            if (!value(&text) || !parseInteger(text, 1, 24 * 3600, &number)) {
                *error = "--recognizer-time-limit takes 1 to 86400 seconds";
                return false;
            }
            options->recognizerTimeLimit = number;
        } else if (arg == "--balance") {
            if (!value(&text) || !parseInteger(text, 0, 0x7fffffff, &number)) {
                *error = "--balance takes whole seconds";
                return false;
            }
            options->newBalance = number;
        } else if (!arg.empty() && arg[0] == '-') {
            *error = "unknown option " + arg;
            return false;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty())
        return true;
    if (positional[0] == "add-credit") {
        int64_t seconds = 0;
        if (positional.size() != 3 || !parseInteger(positional[2], 1, 0x7fffffff, &seconds)) {
            *error = "add-credit takes NAME and whole SECONDS";
            return false;
        }
        options->mode = ServiceOptions::Mode::AddCredit;
        options->newUser = positional[1];
        options->creditSeconds = seconds;
        return true;
    }
    if (positional[0] != "add-user" || positional.size() != 3) {
        *error = positional[0] == "add-user" ? "add-user takes NAME and PASSWORD" : "unknown command " + positional[0];
        return false;
    }
    options->mode = ServiceOptions::Mode::AddUser;
    options->newUser = positional[1];
    options->newPassword = positional[2];
    return true;
}

}  // namespace cw::service
