#pragma once

#include <QByteArray>
#include <QMap>
#include <QVector>

#include <atomic>
#include <mutex>
#include <thread>

// A scripted stand-in for the account service on 127.0.0.1 (ephemeral
// port), speaking the 24-byte header + JSON body framing. It runs on its
// own thread because the program's account calls block the GUI thread.
class FakeAccountService
{
public:
    struct Reply
    {
        int status = 0;
        QByteArray body; // empty: a reply without body
    };
    struct Request
    {
        int kind = 0;
        QByteArray body;
    };

    FakeAccountService();
    ~FakeAccountService();

    unsigned short port() const { return m_port; }
    void script(int kind, const Reply &reply);
    QVector<Request> requests() const;
    // The body of the last request of `kind`, or "" when none came.
    QByteArray lastBody(int kind) const;

private:
    void serve();
    void handle(int client);

    int m_listener = -1;
    unsigned short m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    QMap<int, Reply> m_replies;
    QVector<Request> m_requests;
    std::thread m_thread;
};
