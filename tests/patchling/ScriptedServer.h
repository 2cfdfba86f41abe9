#pragma once
// A tiny HTTP server on 127.0.0.1 for what the real web host never does:
// answer with any raw bytes per path, or accept and then say nothing.

#include <QByteArray>
#include <QMap>

#include <atomic>
#include <thread>

namespace cw::testing {

class ScriptedServer
{
public:
    ScriptedServer();
    ~ScriptedServer();

    int port() const { return m_port; }
    QByteArray url(const QByteArray &path) const;
    // The raw answer for a path; a path without one gets no answer at all.
    void answer(const QByteArray &path, const QByteArray &raw) { m_answers[path] = raw; }
    static QByteArray ok(const QByteArray &body);
    static QByteArray redirect(const QByteArray &location);

private:
    void serve();

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    QMap<QByteArray, QByteArray> m_answers;
    std::thread m_thread;
};

} // namespace cw::testing
