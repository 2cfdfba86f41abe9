// cuewright-service: the recognition and account service.

#include "AccountService.h"
#include "EngineFactory.h"
#include "Md5.h"
#include "PasswordHasher.h"
#include "PostgresAccountStore.h"
#include "RequestBodies.h"
#include "Server.h"
#include "ServiceOptions.h"
#include "SqliteAccountStore.h"
#include "UploadSpool.h"
#include "WebHost.h"
#include "WebRequestText.h"
#include "WebServer.h"
#include "WorkerPool.h"
#include "engines/Engines.h"

#include <QCoreApplication>
#include <QDir>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace cw::service;

namespace {

int wakeWriteFd = -1;

void onStopSignal(int)
{
    // The interrupted thread may be about to read errno.
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeWriteFd, &byte, 1);
    errno = savedErrno;
}

// One serving process per data folder with the SQLite store in it: a second
// one would hand back the balance holds of the first one's running jobs at
// its start, and those jobs would then go uncharged. The lock lasts as long
// as the process. A PostgreSQL store keeps holds per node, so nodes on it
// share the folder (the spool's own locks keep uploads apart).
bool lockDataFolder(const std::string &folder)
{
    const std::string path = folder + "/service.lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        std::fprintf(stderr, "another cuewright-service is using %s\n", folder.c_str());
        ::close(fd);
        return false;
    }
    return true;
}

int addUser(AccountService &accounts, const ServiceOptions &options)
{
    if (!isValidUsername(options.newUser)) {
        std::fprintf(stderr, "user names are 1 to 64 of A-Z a-z 0-9 @ _\n");
        return 2;
    }
    const int64_t balance = options.newBalance >= 0 ? options.newBalance : options.initialBalance;
    switch (accounts.addUser(options.newUser, Md5::of(options.newPassword), balance)) {
    case StoreResult::Ok:
        std::printf("created user %s with %lld s\n", options.newUser.c_str(), static_cast<long long>(balance));
        return 0;
    case StoreResult::Conflict:
        std::fprintf(stderr, "user %s already exists\n", options.newUser.c_str());
        return 1;
    default:
        std::fprintf(stderr, "cannot store the user\n");
        return 1;
    }
}

int addCredit(AccountService &accounts, const ServiceOptions &options)
{
    // An operator's credit: a "+" record without money.
    switch (accounts.credit(options.newUser, options.creditSeconds, "0")) {
    case StoreResult::Ok:
        std::printf("credited %s with %lld s\n", options.newUser.c_str(), static_cast<long long>(options.creditSeconds));
        return 0;
    case StoreResult::NotFound:
        std::fprintf(stderr, "no user %s\n", options.newUser.c_str());
        return 1;
    case StoreResult::Insufficient:
        std::fprintf(stderr, "the balance of %s would pass its cap\n", options.newUser.c_str());
        return 1;
    default:
        std::fprintf(stderr, "cannot store the credit\n");
        return 1;
    }
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);  // the SQL driver plugins are found through it
    ::umask(077);                      // the store holds password hashes
    std::vector<std::string> arguments(argv + 1, argv + argc);
    ServiceOptions options;
    std::string error;
    if (!parseServiceOptions(arguments, &options, &error)) {
        std::fprintf(stderr, "%s\n%s", error.c_str(), serviceUsage());
        return 2;
    }
    if (options.mode == ServiceOptions::Mode::Help) {
        std::printf("%s\n%s\n", serviceUsage(), cw::engines::recognitionLanguageNote());
        return 0;
    }
    const std::string dataDirectory = options.dataDirectory.empty() ? defaultDataDirectory() : options.dataDirectory;
    if (!QDir().mkpath(QString::fromStdString(dataDirectory))) {
        std::fprintf(stderr, "cannot create %s\n", dataDirectory.c_str());
        return 1;
    }
    const int workers = options.workers > 0 ? options.workers : int(std::max(1u, std::thread::hardware_concurrency()));

    std::unique_ptr<AccountStore> store;
    if (storeKind(options.store) == StoreKind::Postgres)
        store = PostgresAccountStore::open(options.store, &error);
    else
        store = SqliteAccountStore::open(dataDirectory + "/accounts.sqlite", &error);
    if (!store) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    PasswordHasher hasher(workers);
    AccountService accounts(*store, hasher, options.initialBalance);
    accounts.setRechargeAllowed(options.allowRecharge);
    if (options.mode == ServiceOptions::Mode::AddUser)
        return addUser(accounts, options);
    if (options.mode == ServiceOptions::Mode::AddCredit)
        return addCredit(accounts, options);

    if (storeKind(options.store) != StoreKind::Postgres && !lockDataFolder(dataDirectory))
        return 1;
    if (store->recoverAfterRestart() != StoreResult::Ok) {
        std::fprintf(stderr, "cannot recover the store after a restart\n");
        return 1;
    }
    UploadSpool spool(dataDirectory + "/spool");
    spool.sweep(24 * 3600);

    int wakePipe[2];
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("pipe");
        return 1;
    }
    wakeWriteFd = wakePipe[1];
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::atomic<bool> stopping{false};
    useInstantEngines(options.instantEngine);
    if (!options.recognizerCommand.empty() &&
        !useRecognizerCommand(options.recognizerCommand, options.recognizerLanguage, options.recognizerTimeLimit, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    WorkerPool engines(workers);
    Server server({accounts, *store, spool, engines}, options.limits, stopping);
    if (!server.listen(options.listenAddress, options.port, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("listening on %s:%d\n", server.boundAddress().c_str(), server.boundPort());

    const std::string webRoot = options.webRoot.empty() ? dataDirectory + "/web" : options.webRoot;
    web::WebHost webHost(accounts, webRoot);
    web::WebServer webServer(webHost);
    if (options.webPort >= 0) {
        // The publisher writes the update folder; it is made here so a fresh
        // data folder serves an empty one rather than none.
        QDir().mkpath(QString::fromStdString(webRoot + web::kUpdatePrefix));
        if (!webServer.start(options.listenAddress, options.webPort, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("web on %s:%d\n", webServer.boundAddress().c_str(), webServer.boundPort());
    }
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", recognitionNote().c_str());
    server.run(wakePipe[0]);
    webServer.stop();
    std::fprintf(stderr, "stopped\n");
    return 0;
}
