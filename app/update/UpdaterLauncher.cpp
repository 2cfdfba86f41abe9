#include "update/UpdaterLauncher.h"

#include "update/ProgramVersion.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

UpdaterLauncher::UpdaterLauncher(QString programFolder, QString logFolder)
    : m_programFolder(std::move(programFolder))
    , m_logFolder(logFolder.isEmpty() ? QDir::tempPath() : std::move(logFolder))
{
}

QString UpdaterLauncher::updaterPath() const
{
    return m_programFolder + QLatin1Char('/') + UpdateFiles::updaterName;
}

QString UpdaterLauncher::logPath() const
{
    return m_logFolder + QStringLiteral("/patchling.log");
}

bool UpdaterLauncher::start(const QString &url, QString *error) const
{
    const QFileInfo updater(updaterPath());
    if (!updater.isFile() || !updater.isExecutable()) {
        *error = QStringLiteral("找不到更新程序 %1").arg(QDir::toNativeSeparators(updater.filePath()));
        return false;
    }
    if (!QDir().mkpath(m_logFolder)) {
        *error = QStringLiteral("无法创建日志文件夹 %1").arg(QDir::toNativeSeparators(m_logFolder));
        return false;
    }
    QProcess process;
    process.setProgram(updater.filePath());
    process.setArguments({url});
    process.setWorkingDirectory(m_programFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(logPath(), QIODevice::Append);
    process.setStandardErrorFile(logPath(), QIODevice::Append);
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        *error = QStringLiteral("无法启动更新程序：%1").arg(process.errorString());
        return false;
    }
    return true;
}
