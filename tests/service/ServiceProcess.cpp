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
    QByteArray line;
    while (!line.contains('\n')) {
        if (!process_->waitForReadyRead(15000))
            return false;
        line += process_->readAllStandardOutput();
    }
    line = line.left(line.indexOf('\n'));
    if (!line.startsWith("listening on "))
        return false;
    port_ = line.mid(line.lastIndexOf(':') + 1).toInt();
    return port_ > 0;
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

}  // namespace cw::testing
