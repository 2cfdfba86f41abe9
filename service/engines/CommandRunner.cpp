#include "CommandRunner.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace cw::engines {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A program that has exited gets this long to let go of its output (a
// child it left behind may hold the pipe).
constexpr auto kExitGrace = milliseconds(500);

class Pipe {
public:
    Pipe() {
        if (::pipe2(fds_, O_CLOEXEC) != 0)
            fds_[0] = fds_[1] = -1;
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    Pipe(const Pipe &) = delete;
    Pipe &operator=(const Pipe &) = delete;
    bool ok() const { return fds_[0] >= 0; }
    int read() const { return fds_[0]; }
    int write() const { return fds_[1]; }
    void closeRead() { closeFd(fds_[0]); }
    void closeWrite() { closeFd(fds_[1]); }

private:
    static void closeFd(int &fd) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    int fds_[2] = {-1, -1};
};

// True once the child has ended, without reaping it: while it is a zombie
// its process group id cannot be handed to anyone else.
bool hasEnded(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

int reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

void keepTail(std::string &tail, bool &truncated, const char *data, size_t size, size_t limit) {
    tail.append(data, size);
    if (tail.size() > limit) {
        tail.erase(0, tail.size() - limit);
        truncated = true;
    }
}

}  // namespace

bool splitCommandLine(const std::string &line, std::vector<std::string> *arguments, std::string *error) {
    std::vector<std::string> out;
    std::string current;
    bool inWord = false, quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
                current += line[++i];
            else if (c == '"')
                quoted = false;
            else
                current += c;
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            if (inWord)
                out.push_back(std::move(current));
            current.clear();
            inWord = false;
        } else {
            current += c;
            inWord = true;
        }
    }
    if (quoted) {
        *error = "the command has an unclosed double quote";
        return false;
    }
    if (inWord)
        out.push_back(std::move(current));
    if (out.empty() || out[0].empty()) {
        *error = "the command names no program";
        return false;
    }
    *arguments = std::move(out);
    return true;
}

std::string findProgram(const std::string &name) {
    auto runnable = [](const std::string &path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
    };
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return runnable(name) ? name : std::string();
    const char *path = std::getenv("PATH");
    const std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (size_t from = 0; from <= folders.size();) {
        size_t to = folders.find(':', from);
        if (to == std::string::npos)
            to = folders.size();
        const std::string folder = to > from ? folders.substr(from, to - from) : ".";
        if (runnable(folder + "/" + name))
            return folder + "/" + name;
        from = to + 1;
    }
    return {};
}

std::string logLine(const std::string &text, bool truncated) {
    std::string line = truncated ? "..." : "";
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r'))
        --end;
    for (size_t i = 0; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < end && text[i + 1] == '\n')
            continue;
        if (c == '\n' || c == '\r')
            line += " | ";
        else
            line += c < 0x20 || c == 0x7F ? '?' : char(c);
    }
    return line;
}

CommandOutcome runCommand(const std::vector<std::string> &arguments, const CommandLimits &limits,
                          const OutputFn &onOutput, const CancelFn &cancel) {
    CommandOutcome outcome;
    if (arguments.empty()) {
        outcome.startError = "no command";
        return outcome;
    }
    Pipe out, err;
    if (!out.ok() || !err.ok()) {
        outcome.startError = std::string("no pipe: ") + std::strerror(errno);
        return outcome;
    }
    // No terminal input, only the three standard streams, and signals as a
    // fresh program expects them (the service ignores SIGPIPE).
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write(), 1);
    posix_spawn_file_actions_adddup2(&actions, err.write(), 2);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none, defaults;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);

    std::vector<char *> argv;
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    out.closeWrite();
    err.closeWrite();
    if (spawned != 0) {
        outcome.startError = "cannot run " + arguments[0] + ": " + std::strerror(spawned);
        return outcome;
    }
    ::fcntl(out.read(), F_SETFL, O_NONBLOCK);
    ::fcntl(err.read(), F_SETFL, O_NONBLOCK);

    const Clock::time_point deadline = Clock::now() + milliseconds(limits.timeLimitMs);
    bool outOpen = true, errOpen = true, ended = false, stopped = false;
    Clock::time_point endedAt;
    size_t outBytes = 0;
    std::vector<char> buffer(1 << 16);
    auto stop = [&](CommandOutcome::End why) {
        outcome.end = why;
        stopped = true;
    };
    while (!stopped) {
        const Clock::time_point now = Clock::now();
        if (cancel && cancel()) {
            stop(CommandOutcome::End::Cancelled);
            break;
        }
        if (now >= deadline) {
            stop(CommandOutcome::End::TimedOut);
            break;
        }
        if (!ended && hasEnded(pid)) {
            ended = true;
            endedAt = now;
        }
        if (ended && ((!outOpen && !errOpen) || now - endedAt > kExitGrace))
            break;
        pollfd fds[2];
        nfds_t count = 0;
        if (outOpen)
            fds[count++] = {out.read(), POLLIN, 0};
        if (errOpen)
            fds[count++] = {err.read(), POLLIN, 0};
        const auto wait = std::min(milliseconds(50), std::chrono::duration_cast<milliseconds>(deadline - now) + milliseconds(1));
        if (count == 0) {  // both streams closed: waiting for it to exit
            std::this_thread::sleep_for(std::min(wait, milliseconds(10)));
            continue;
        }
        if (::poll(fds, count, int(wait.count())) < 0 && errno != EINTR) {
            outcome.startError = std::string("poll: ") + std::strerror(errno);
            stop(CommandOutcome::End::Refused);
            break;
        }
        for (nfds_t k = 0; k < count && !stopped; ++k) {
            if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const bool isOut = fds[k].fd == out.read();
            const ssize_t n = ::read(fds[k].fd, buffer.data(), buffer.size());
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0) {
                (isOut ? outOpen : errOpen) = false;
                continue;
            }
            if (!isOut) {
                keepTail(outcome.errorTail, outcome.errorTruncated, buffer.data(), size_t(n), limits.errorTailBytes);
                continue;
            }
            outBytes += size_t(n);
            if (outBytes > limits.maxOutputBytes)
                stop(CommandOutcome::End::OutputTooLarge);
            else if (onOutput && !onOutput(buffer.data(), size_t(n)))
                stop(CommandOutcome::End::Refused);
        }
    }
    // The whole group goes, whatever it was doing: a stray child of the
    // program must not outlive the job.
    ::kill(-pid, SIGKILL);
    const int status = reap(pid);
    for (ssize_t n; errOpen && (n = ::read(err.read(), buffer.data(), buffer.size())) > 0;)
        keepTail(outcome.errorTail, outcome.errorTruncated, buffer.data(), size_t(n), limits.errorTailBytes);
    if (!stopped) {
        if (WIFEXITED(status)) {
            outcome.end = CommandOutcome::End::Exited;
            outcome.code = WEXITSTATUS(status);
        } else {
            outcome.end = CommandOutcome::End::Signalled;
            outcome.code = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        }
    }
    return outcome;
}

}  // namespace cw::engines
