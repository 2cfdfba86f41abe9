#pragma once
// The real service binary run as a child on 127.0.0.1 with an ephemeral port.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

namespace cw::testing {

class ServiceProcess {
public:
    ServiceProcess(QString binary, QString dataDir);
    ~ServiceProcess();  // stops it

    // Starts and waits for "listening on ADDR:PORT".
    bool start(const QStringList &extraArguments = {});
    // SIGTERM and wait; the exit code, or -1 when it had to be killed.
    int stop();
    void kill();
    bool running() const;
    int port() const { return port_; }
    QString logPath() const { return dataDir_ + QStringLiteral("/service.log"); }
    QString readLog() const;
    // Runs `add-user` against the same data folder.
    bool addUser(const QString &name, const QString &password, long long balance);

private:
    QString binary_;
    QString dataDir_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
};

}  // namespace cw::testing
