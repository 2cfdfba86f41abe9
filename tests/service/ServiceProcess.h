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

    // Starts and waits for "listening on ADDR:PORT", and for "web on
    // ADDR:PORT" too when the arguments turn the web host on.
    bool start(const QStringList &extraArguments = {});
    // SIGTERM and wait; the exit code, or -1 when it had to be killed.
    int stop();
    void kill();
    bool running() const;
    int port() const { return port_; }
    int webPort() const { return webPort_; }
    QString webAddress() const { return QStringLiteral("http://127.0.0.1:%1").arg(webPort_); }
    QString logPath() const { return dataDir_ + QStringLiteral("/service.log"); }
    QString readLog() const;
    // Runs `add-user` against the same data folder.
    bool addUser(const QString &name, const QString &password, long long balance);
    // Runs `add-credit`; its exit code, or -1.
    int addCredit(const QString &name, long long seconds);

private:
    QString binary_;
    QString dataDir_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
    int webPort_ = 0;
};

}  // namespace cw::testing
