#include "PostgresServer.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

extern char **environ;

namespace cw::testing {

namespace {

// PostgreSQL refuses to run as root; as root the cluster belongs to this user.
constexpr const char *kServerUser = "nobody";

bool executable(const std::string &path) { return ::access(path.c_str(), X_OK) == 0; }

// CW_POSTGRES_BIN, else the newest /usr/lib/postgresql/N/bin (Debian's layout).
std::string findBinDir()
{
    if (const char *forced = std::getenv("CW_POSTGRES_BIN"))
        return forced;
    std::string best;
    int bestVersion = -1;
    if (DIR *dir = ::opendir("/usr/lib/postgresql")) {
        while (const dirent *entry = ::readdir(dir)) {
            const int version = std::atoi(entry->d_name);
            const std::string bin = std::string("/usr/lib/postgresql/") + entry->d_name + "/bin";
            if (version > bestVersion && executable(bin + "/initdb") && executable(bin + "/pg_ctl")) {
                bestVersion = version;
                best = bin;
            }
        }
        ::closedir(dir);
    }
    return best;
}

std::string findRunuser()
{
    for (const char *path : {"/usr/sbin/runuser", "/sbin/runuser", "/usr/bin/runuser"})
        if (executable(path))
            return path;
    return {};
}

// The environment without PG* variables, so nothing of the caller's setup
// points the programs at another server.
std::vector<std::string> cleanEnvironment()
{
    std::vector<std::string> out;
    for (char **entry = environ; *entry; ++entry)
        if (std::strncmp(*entry, "PG", 2) != 0)
            out.emplace_back(*entry);
    return out;
}

std::string readTail(const std::string &path, std::size_t bytes)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    return all.size() > bytes ? all.substr(all.size() - bytes) : all;
}

}  // namespace

bool PostgresServer::installed() { return !findBinDir().empty(); }

PostgresServer::PostgresServer() : PostgresServer(false) {}

PostgresServer::PostgresServer(bool durable) : binDir_(findBinDir())
{
    if (binDir_.empty()) {
        reason_ = "PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb; apt-get install postgresql)";
        return;
    }
    char pattern[] = "/tmp/cw-pg-XXXXXX";  // short: the socket path has a 107-byte limit
    if (!::mkdtemp(pattern)) {
        reason_ = std::string("cannot make a temporary folder: ") + std::strerror(errno);
        return;
    }
    folder_ = pattern;
    if (::geteuid() == 0) {
        const passwd *user = ::getpwnam(kServerUser);
        if (!user || findRunuser().empty()) {
            reason_ = "running as root, but there is no user \"nobody\" or no runuser to start PostgreSQL as";
            return;
        }
        if (::chown(folder_.c_str(), user->pw_uid, user->pw_gid) != 0) {
            reason_ = std::string("cannot hand the folder to nobody: ") + std::strerror(errno);
            return;
        }
    }
    const std::string data = folder_ + "/data";
    if (!run(binDir_ + "/initdb",
             {"-D", data, "-A", "trust", "-U", "cuewright", "--no-locale", "-E", "UTF8", "--no-sync"}, true)) {
        reason_ = "initdb failed: " + logTail();
        return;
    }
    std::string options = "-k " + folder_ + " -c listen_addresses=''";
    if (!durable)
        options += " -c fsync=off -c full_page_writes=off";
    if (!run(binDir_ + "/pg_ctl", {"-D", data, "-l", folder_ + "/server.log", "-w", "-t", "30", "-o", options, "start"},
             true)) {
        reason_ = "pg_ctl start failed: " + logTail();
        return;
    }
    started_ = true;
}

PostgresServer::~PostgresServer()
{
    if (started_)
        run(binDir_ + "/pg_ctl", {"-D", folder_ + "/data", "-m", "immediate", "-w", "stop"}, true);
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

bool PostgresServer::ok() const { return started_; }

std::string PostgresServer::reason() const { return reason_; }

std::string PostgresServer::url(const std::string &database) const
{
    if (!started_)
        return {};
    std::lock_guard<std::mutex> lock(mutex_);
    if (!databases_.count(database)) {
        if (run(binDir_ + "/createdb", {"-h", folder_, "-U", "cuewright", database}, false))
            databases_.insert(database);
    }
    return "postgresql://cuewright@/" + database + "?host=" + folder_;
}

bool PostgresServer::run(const std::string &program, const std::initializer_list<std::string> &arguments,
                         bool asServerUser) const
{
    std::vector<std::string> argv;
    if (asServerUser && ::geteuid() == 0)
        argv = {findRunuser(), "-u", kServerUser, "--"};
    argv.push_back(program);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char *> argp;
    for (std::string &argument : argv)
        argp.push_back(argument.data());
    argp.push_back(nullptr);
    std::vector<std::string> environment = cleanEnvironment();
    std::vector<char *> envp;
    for (std::string &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    // Everything is prepared before fork: the child only calls what is safe there.
    const std::string logPath = folder_ + "/fixture.log";
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (log < 0 || devNull < 0) {
        if (log >= 0)
            ::close(log);
        if (devNull >= 0)
            ::close(devNull);
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // The server user must be able to stand in its working folder.
        if (::chdir(folder_.c_str()) != 0)
            ::_exit(126);
        ::dup2(devNull, 0);
        ::dup2(log, 1);
        ::dup2(log, 2);
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    ::close(log);
    ::close(devNull);
    if (child < 0)
        return false;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

PostgresServer &sharedPostgresServer()
{
    static PostgresServer server;
    return server;
}

std::string PostgresServer::logTail() const
{
    return readTail(folder_ + "/fixture.log", 1500) + readTail(folder_ + "/server.log", 1500);
}

}  // namespace cw::testing
