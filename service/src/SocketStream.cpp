#include "SocketStream.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace cw::service {

namespace {

constexpr auto kSlice = std::chrono::milliseconds(200);  // how often stop flags are looked at

}  // namespace

const char *ioResultText(IoResult result)
{
    switch (result) {
    case IoResult::Ok: return "ok";
    case IoResult::Closed: return "peer closed";
    case IoResult::Stalled: return "peer stalled";
    case IoResult::Expired: return "deadline passed";
    case IoResult::Stopped: return "stopped";
    case IoResult::Failed: return "socket error";
    }
    return "?";
}

SocketStream::SocketStream(int fd, const std::atomic<bool> &stopping, std::chrono::milliseconds idleLimit)
    : fd_(fd), stopping_(stopping), idleLimit_(idleLimit)
{
    const int flags = fcntl(fd_, F_GETFL, 0);
    fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
}

SocketStream::~SocketStream()
{
    // Closing with unread input would reset the connection and could destroy
    // a reply still on its way (a refused oversized body, say): finish our
    // side first and give the peer a moment to finish its own.
    if (!stopping_.load() && ::shutdown(fd_, SHUT_WR) == 0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        size_t drained = 0;
        char scratch[16384];
        while (drained < (4u << 20) && std::chrono::steady_clock::now() < deadline) {
            pollfd entry{fd_, POLLIN, 0};
            if (::poll(&entry, 1, 100) <= 0)
                continue;
            const ssize_t n = ::recv(fd_, scratch, sizeof scratch, 0);
            if (n <= 0 && !(n < 0 && (errno == EAGAIN || errno == EINTR)))
                break;
            drained += n > 0 ? size_t(n) : 0;
        }
    }
    ::close(fd_);
}

bool SocketStream::shouldStop() const
{
    return stopping_.load() || (abandon_ && abandon_->load());
}

IoResult SocketStream::waitFor(Direction direction, std::chrono::steady_clock::time_point idleDeadline)
{
    const auto deadline = std::min(idleDeadline, deadline_);
    for (;;) {
        if (shouldStop())
            return IoResult::Stopped;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline_)
            return IoResult::Expired;
        if (now >= deadline)
            return IoResult::Stalled;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        pollfd entry{fd_, short(direction == Direction::In ? POLLIN : POLLOUT), 0};
        const int ready = ::poll(&entry, 1, int(std::min(left, std::chrono::milliseconds(kSlice)).count()) + 1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return IoResult::Failed;
        }
        if (ready > 0)
            return IoResult::Ok;  // errors and hang-ups show in the next recv/send
    }
}

IoResult SocketStream::readSome(void *buffer, size_t size, size_t *got)
{
    *got = 0;
    const auto deadline = std::chrono::steady_clock::now() + idleLimit_;
    for (;;) {
        const IoResult waited = waitFor(Direction::In, deadline);
        if (waited != IoResult::Ok)
            return waited;
        const ssize_t n = ::recv(fd_, buffer, size, 0);
        if (n > 0) {
            *got = size_t(n);
            return IoResult::Ok;
        }
        if (n == 0)
            return IoResult::Closed;
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            continue;
        return errno == ECONNRESET ? IoResult::Closed : IoResult::Failed;
    }
}

IoResult SocketStream::readPending(void *buffer, size_t size, size_t *got)
{
    *got = 0;
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, size, 0);
        if (n > 0) {
            *got = size_t(n);
            return IoResult::Ok;
        }
        if (n == 0)
            return IoResult::Closed;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return IoResult::Ok;
        return IoResult::Failed;
    }
}

IoResult SocketStream::readExact(void *buffer, size_t size)
{
    auto *bytes = static_cast<unsigned char *>(buffer);
    while (size > 0) {
        size_t got = 0;
        const IoResult result = readSome(bytes, size, &got);
        if (result != IoResult::Ok)
            return result;
        bytes += got;
        size -= got;
    }
    return IoResult::Ok;
}

IoResult SocketStream::writeAll(const void *data, size_t size)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    auto deadline = std::chrono::steady_clock::now() + idleLimit_;
    while (size > 0) {
        const IoResult waited = waitFor(Direction::Out, deadline);
        if (waited != IoResult::Ok)
            return waited;
        const ssize_t n = ::send(fd_, bytes, size, MSG_NOSIGNAL);
        if (n > 0) {
            bytes += n;
            size -= size_t(n);
            deadline = std::chrono::steady_clock::now() + idleLimit_;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;
        return (n < 0 && (errno == EPIPE || errno == ECONNRESET)) ? IoResult::Closed : IoResult::Failed;
    }
    return IoResult::Ok;
}

IoResult SocketStream::watchPeer(std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (shouldStop())
            return IoResult::Stopped;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return IoResult::Ok;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        pollfd entry{fd_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, int(std::min(left, std::chrono::milliseconds(kSlice)).count()) + 1);
        if (ready < 0 && errno != EINTR)
            return IoResult::Failed;
        if (ready <= 0)
            continue;
        char scratch[4096];
        const ssize_t n = ::recv(fd_, scratch, sizeof scratch, 0);
        if (n == 0)
            return IoResult::Closed;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return IoResult::Closed;
    }
}

}  // namespace cw::service
