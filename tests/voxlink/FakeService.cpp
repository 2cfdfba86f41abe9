#include "FakeService.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace {

void putU32(std::string &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

uint32_t getU32(const std::string &bytes, size_t at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return v;
}

int boundLoopbackSocket(unsigned *port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot bind a loopback socket");
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    *port = ntohs(address.sin_port);
    return fd;
}

} // namespace

std::string encodeFrame(uint32_t kind, int32_t status, uint32_t hasBody, uint32_t length,
                        const std::string &body)
{
    std::string out;
    putU32(out, 7099);
    putU32(out, 1);
    putU32(out, kind);
    putU32(out, static_cast<uint32_t>(status));
    putU32(out, hasBody);
    putU32(out, length);
    return out + body;
}

std::string replyFrame(uint32_t kind, int32_t status, const std::string &body)
{
    return encodeFrame(kind, status, 1, static_cast<uint32_t>(body.size()), body);
}

std::string FakeConnection::readExactly(size_t n)
{
    std::string out;
    char buffer[65536];
    while (out.size() < n) {
        ssize_t got = recv(fd_, buffer, std::min(sizeof buffer, n - out.size()), 0);
        if (got <= 0)
            break;
        out.append(buffer, static_cast<size_t>(got));
    }
    received_ += out;
    return out;
}

ReceivedFrame FakeConnection::readFrame()
{
    ReceivedFrame frame;
    frame.header = readExactly(24);
    if (frame.header.size() < 24)
        return frame;
    frame.magic = getU32(frame.header, 0);
    frame.version = getU32(frame.header, 4);
    frame.kind = getU32(frame.header, 8);
    frame.status = static_cast<int32_t>(getU32(frame.header, 12));
    frame.hasBody = getU32(frame.header, 16);
    frame.length = getU32(frame.header, 20);
    frame.body = readExactly(frame.length);
    return frame;
}

void FakeConnection::send(const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t sent = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        done += static_cast<size_t>(sent);
    }
}

void FakeConnection::closeWithReset()
{
    linger option{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &option, sizeof option);
    ::close(fd_);
    fd_ = -1;
}

void FakeConnection::shutdownWrite()
{
    ::shutdown(fd_, SHUT_WR);
}

void FakeConnection::waitForRelease()
{
    service_.released_.wait_for(std::chrono::seconds(30));
}

FakeService::FakeService(std::vector<Script> scripts, int receiveBuffer)
    : released_(releasePromise_.get_future().share())
{
    listenFd_ = boundLoopbackSocket(&port_);
    if (receiveBuffer > 0)
        setsockopt(listenFd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    listen(listenFd_, 8);
    thread_ = std::thread(&FakeService::run, this, std::move(scripts));
}

FakeService::~FakeService()
{
    finish();
    ::close(listenFd_);
}

void FakeService::release()
{
    if (!releasedOnce_) {
        releasedOnce_ = true;
        releasePromise_.set_value();
    }
}

std::vector<std::string> FakeService::finish()
{
    if (!finished_) {
        finished_ = true;
        stopping_ = true;
        release();
        thread_.join();
    }
    return received_;
}

void FakeService::run(std::vector<Script> scripts)
{
    for (auto &script : scripts) {
        // Once the test has finished its calls, every connection it made is
        // already queued; so stop as soon as none is waiting.
        pollfd entry{listenFd_, POLLIN, 0};
        int ready = 0;
        for (int waited = 0; ready == 0 && waited < 100; ++waited) {
            ready = poll(&entry, 1, 100);
            if (ready == 0 && stopping_)
                return;
        }
        if (ready <= 0)
            return;
        int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0)
            return;
        ++accepted_;
        FakeConnection connection(fd, *this);
        script(connection);
        received_.push_back(connection.received());
        if (connection.fd() >= 0)
            ::close(connection.fd());
    }
}

unsigned closedPort()
{
    unsigned port = 0;
    int fd = boundLoopbackSocket(&port);
    ::close(fd);
    return port;
}
