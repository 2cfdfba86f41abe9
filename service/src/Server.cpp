#include "Server.h"

#include "MessageHeader.h"
#include "RequestLog.h"
#include "SocketStream.h"
#include "TranscriptionSession.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <exception>
#include <thread>

namespace cw::service {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t kSpoolKeepSeconds = 24 * 3600;
constexpr auto kSweepEvery = std::chrono::minutes(30);

// Status a request of `kind` gets when it cannot be understood.
int32_t malformedStatus(int32_t kind)
{
    return kind == KindRegister || kind == KindTranscribe ? 3 : 1;
}

int64_t elapsedMs(Clock::time_point since)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

}  // namespace

Server::Server(ServerParts parts, ConnectionLimits limits, std::atomic<bool> &stopping)
    : parts_(parts), limits_(limits), stopping_(stopping), slots_(limits.maxConnections, limits.maxPerAddress)
{
}

Server::~Server()
{
    if (listenFd_ >= 0)
        ::close(listenFd_);
}

bool Server::listen(const std::string &address, int port, std::string *error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const int resolved = ::getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (resolved != 0) {
        *error = "cannot resolve " + address + ": " + gai_strerror(resolved);
        return false;
    }
    listenFd_ = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol);
    const int yes = 1;
    if (listenFd_ >= 0)
        ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const bool ok = listenFd_ >= 0 && ::bind(listenFd_, found->ai_addr, found->ai_addrlen) == 0
                    && ::listen(listenFd_, 512) == 0;
    ::freeaddrinfo(found);
    if (!ok) {
        *error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr *>(&bound), &length);
    char host[NI_MAXHOST] = {0};
    char service[NI_MAXSERV] = {0};
    ::getnameinfo(reinterpret_cast<sockaddr *>(&bound), length, host, sizeof host, service, sizeof service,
                  NI_NUMERICHOST | NI_NUMERICSERV);
    boundAddress_ = host;
    boundPort_ = std::atoi(service);
    return true;
}

void Server::run(int wakeFd)
{
    auto lastSweep = Clock::now();
    while (!stopping_.load()) {
        pollfd entries[2] = {{listenFd_, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int ready = ::poll(entries, 2, 1000);
        if (ready < 0 && errno != EINTR)
            break;
        if (entries[1].revents != 0)
            stopping_ = true;
        else if (entries[0].revents & POLLIN)
            acceptOne();
        if (Clock::now() - lastSweep > kSweepEvery) {
            parts_.spool.sweep(kSpoolKeepSeconds);
            lastSweep = Clock::now();
        }
    }
    stopping_ = true;
    ::close(listenFd_);
    listenFd_ = -1;
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return slots_.total() == 0; });
}

void Server::leave(const std::string &peer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    slots_.give(peer);
    if (slots_.total() == 0)
        idle_.notify_all();
}

void Server::acceptOne()
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr *>(&address), &length, SOCK_CLOEXEC);
    if (fd < 0) {
        // Out of descriptors: give the running connections time to end.
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return;
    }
    const std::string peer = peerKey(reinterpret_cast<const sockaddr *>(&address));
    PeerSlots::Admission admission;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        admission = slots_.take(peer);
    }
    if (admission != PeerSlots::Admission::Admitted) {
        // Closed at once, without a thread: a flood of them costs little.
        ::close(fd);
        writeRequestLog(0, {}, -1, 0,
                        admission == PeerSlots::Admission::PeerFull ? "closed: too many connections from " + peer
                                                                     : std::string("closed: too many connections"));
        return;
    }
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    try {
        std::thread([this, fd, peer] {
            // Out of memory in one connection (a 16 MiB transcript among
            // many) must not end the service: only that connection fails.
            try {
                serve(fd, peer);
            } catch (const std::exception &failure) {
                writeRequestLog(0, {}, -1, 0, std::string("connection failed: ") + failure.what());
            }
            leave(peer);
        }).detach();
    } catch (const std::system_error &) {
        ::close(fd);
        leave(peer);
    }
}

void Server::serve(int fd, const std::string &peer)
{
    const auto started = Clock::now();
    SocketStream stream(fd, stopping_, limits_.idle);
    stream.setDeadline(started + limits_.header);
    uint8_t headerBytes[kHeaderSize];
    const IoResult headerRead = stream.readExact(headerBytes, sizeof headerBytes);
    if (headerRead != IoResult::Ok) {
        if (headerRead != IoResult::Closed)
            writeRequestLog(0, {}, -1, elapsedMs(started), std::string("closed: header ") + ioResultText(headerRead));
        return;
    }
    const MessageHeader header = decodeHeader(headerBytes);
    switch (checkRequestHeader(header)) {
    case HeaderVerdict::BadMagic:
        writeRequestLog(header.kind, {}, -1, elapsedMs(started), "closed: bad magic");
        return;
    case HeaderVerdict::BadVersion:
        writeRequestLog(header.kind, {}, -1, elapsedMs(started), "closed: bad version");
        return;
    case HeaderVerdict::UnknownKind:
        writeRequestLog(header.kind, {}, -1, elapsedMs(started), "closed: unknown kind");
        return;
    case HeaderVerdict::BadLength:
        stream.setDeadlineIn(limits_.transferFloor);
        stream.writeAll(encodeReply(header.kind, malformedStatus(header.kind), {}));
        writeRequestLog(header.kind, {}, malformedStatus(header.kind), elapsedMs(started),
                        "refused: body length " + std::to_string(header.length));
        return;
    case HeaderVerdict::Ok: break;
    }
    std::string body(size_t(requestBodyLength(header)), '\0');
    stream.setDeadlineIn(limits_.transferTime(int64_t(body.size())));
    const IoResult read = stream.readExact(body.data(), body.size());
    if (read != IoResult::Ok) {
        writeRequestLog(header.kind, {}, -1, elapsedMs(started), std::string("closed: body ") + ioResultText(read));
        return;
    }
    if (header.kind == KindTranscribe) {
        TranscriptionSession session(
            {parts_.accounts, parts_.store, parts_.spool, parts_.engines, limits_, stopping_}, stream);
        const TranscriptionOutcome outcome = session.run(body);
        writeRequestLog(header.kind, outcome.user, outcome.status, elapsedMs(started), outcome.note);
        return;
    }
    const AccountReply reply = parts_.accounts.handle(header.kind, body, peer);
    const std::string replyBytes = encodeReply(header.kind, reply.status, reply.body);
    stream.setDeadlineIn(limits_.transferTime(int64_t(replyBytes.size())));
    const IoResult sent = stream.writeAll(replyBytes);
    writeRequestLog(header.kind, reply.user, reply.status, elapsedMs(started),
                    sent == IoResult::Ok ? std::string() : std::string("reply lost: ") + ioResultText(sent));
}

}  // namespace cw::service
