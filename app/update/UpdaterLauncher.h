#pragma once

#include <QString>

// Starts the updater from the program folder, detached, so it outlives the
// program; its output goes to a log file, never to pipes that close when
// the program ends (a write to a closed pipe would kill it mid-install).
class UpdaterLauncher
{
public:
    UpdaterLauncher(QString programFolder, QString logFolder);

    QString updaterPath() const;
    QString logPath() const;
    QString programFolder() const { return m_programFolder; }

    // Exactly one argument, the archive address. False with a reason when
    // the updater did not start.
    bool start(const QString &url, QString *error) const;

private:
    QString m_programFolder;
    QString m_logFolder;
};
