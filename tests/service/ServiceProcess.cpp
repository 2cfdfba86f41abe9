#include "ServiceProcess.h"

#include <QFile>

namespace cw::testing {

ServiceProcess::ServiceProcess(QString binary, QString dataDir) : binary_(std::move(binary)), dataDir_(std::move(dataDir))
{
}

ServiceProcess::~ServiceProcess()
{
    if (running())
        stop();
}

bool ServiceProcess::start(const QStringList &extraArguments)
{
    process_ = std::make_unique<QProcess>();
    // Log lines go to a file: an unread pipe would fill up and stall the service.
    process_->setStandardErrorFile(logPath(), QIODevice::Append);
    QStringList arguments{QStringLiteral("--listen"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                          QStringLiteral("0"), QStringLiteral("--data"), dataDir_};
    arguments << extraArguments;
    process_->start(binary_, arguments);
    if (!process_->waitForStarted(10000))
        return false;
    const bool web = extraArguments.contains(QStringLiteral("--web-port"));
    QByteArray output;
    while (output.count('\n') < (web ? 2 : 1)) {
        if (!process_->waitForReadyRead(15000))
            return false;
        output += process_->readAllStandardOutput();
    }
    const QList<QByteArray> lines = output.split('\n');
    if (!lines[0].startsWith("listening on "))
        return false;
    port_ = lines[0].mid(lines[0].lastIndexOf(':') + 1).toInt();
    if (web) {
        if (!lines[1].startsWith("web on "))
            return false;
        webPort_ = lines[1].mid(lines[1].lastIndexOf(':') + 1).toInt();
    }
    return port_ > 0 && (!web || webPort_ > 0);
}

int ServiceProcess::stop()
{
    if (!process_)
        return -1;
    process_->terminate();
    if (!process_->waitForFinished(20000)) {
        process_->kill();
        process_->waitForFinished(5000);
        return -1;
    }
    return process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
}

void ServiceProcess::kill()
{
    if (!process_)
        return;
    process_->kill();
    process_->waitForFinished(5000);
}

bool ServiceProcess::running() const
{
    return process_ && process_->state() != QProcess::NotRunning;
}

QString ServiceProcess::readLog() const
{
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool ServiceProcess::addUser(const QString &name, const QString &password, long long balance)
{
    QProcess process;
    process.start(binary_, {QStringLiteral("--data"), dataDir_, QStringLiteral("add-user"), name, password,
                            QStringLiteral("--balance"), QString::number(balance)});
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

int ServiceProcess::addCredit(const QString &name, long long seconds)
{
    QProcess process;
    process.start(binary_, {QStringLiteral("--data"), dataDir_, QStringLiteral("add-credit"), name, QString::number(seconds)});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

}  // namespace cw::testing
