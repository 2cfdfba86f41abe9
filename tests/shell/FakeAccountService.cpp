#include "FakeAccountService.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace {

bool readExactly(int fd, char *buffer, size_t n)
{
    size_t done = 0;
    while (done < n) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0)
            return false;
        const ssize_t got = recv(fd, buffer + done, n - done, 0);
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

void putLe32(char *at, int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

int32_t getLe32(const char *at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(at[i])) << (8 * i);
    return static_cast<int32_t>(v);
}

} // namespace

FakeAccountService::FakeAccountService()
{
    m_listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
    listen(m_listener, 8);
    socklen_t length = sizeof address;
    getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

FakeAccountService::~FakeAccountService()
{
    m_stop = true;
    m_thread.join();
    close(m_listener);
}

void FakeAccountService::script(int kind, const Reply &reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replies[kind] = reply;
}

QVector<FakeAccountService::Request> FakeAccountService::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

QByteArray FakeAccountService::lastBody(int kind) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_requests.crbegin(); it != m_requests.crend(); ++it) {
        if (it->kind == kind)
            return it->body;
    }
    return QByteArray();
}

void FakeAccountService::serve()
{
    while (!m_stop) {
        pollfd p{m_listener, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        const int client = accept(m_listener, nullptr, nullptr);
        if (client < 0)
            continue;
        handle(client);
        close(client);
    }
}

void FakeAccountService::handle(int client)
{
    char header[24];
    if (!readExactly(client, header, sizeof header))
        return;
    const int kind = getLe32(header + 8);
    const int length = getLe32(header + 20);
    QByteArray body(length > 0 ? length : 0, '\0');
    if (length > 0 && !readExactly(client, body.data(), static_cast<size_t>(length)))
        return;

    Reply reply;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.append(Request{kind, body});
        reply = m_replies.value(kind);
    }
    QByteArray out(24, '\0');
    putLe32(out.data(), 7099);
    putLe32(out.data() + 4, 1);
    putLe32(out.data() + 8, 100 + kind);
    putLe32(out.data() + 12, reply.status);
    putLe32(out.data() + 16, reply.body.isEmpty() ? 0 : 1);
    putLe32(out.data() + 20, reply.body.size());
    out += reply.body;
    send(client, out.constData(), static_cast<size_t>(out.size()), MSG_NOSIGNAL);
}
