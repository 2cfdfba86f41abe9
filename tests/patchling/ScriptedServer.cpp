#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace cw::testing {

ScriptedServer::ScriptedServer()
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::listen(m_listen, 16);
    socklen_t length = sizeof address;
    ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

ScriptedServer::~ScriptedServer()
{
    m_stopping = true;
    m_thread.join();
    ::close(m_listen);
}

QByteArray ScriptedServer::url(const QByteArray &path) const
{
    return "http://127.0.0.1:" + QByteArray::number(m_port) + path;
}

QByteArray ScriptedServer::ok(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n"
           + body;
}

QByteArray ScriptedServer::redirect(const QByteArray &location)
{
    return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

void ScriptedServer::serve()
{
    std::vector<int> held; // silent connections stay open until the end
    while (!m_stopping) {
        pollfd entry{m_listen, POLLIN, 0};
        if (::poll(&entry, 1, 50) <= 0)
            continue;
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        QByteArray request;
        char buffer[4096];
        while (!request.contains("\r\n\r\n")) {
            pollfd wait{fd, POLLIN, 0};
            if (::poll(&wait, 1, 2000) <= 0)
                break;
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            request.append(buffer, int(n));
        }
        const QByteArray path = request.split(' ').value(1);
        if (!m_answers.contains(path)) {
            held.push_back(fd);
            continue;
        }
        const QByteArray &raw = m_answers[path];
        for (qint64 done = 0; done < raw.size();) {
            const ssize_t n = ::write(fd, raw.constData() + done, size_t(raw.size() - done));
            if (n <= 0)
                break;
            done += n;
        }
        ::shutdown(fd, SHUT_WR);
        ::close(fd);
    }
    for (const int fd : held)
        ::close(fd);
}

} // namespace cw::testing
