#include "base/CurrentProject.h"

#include "project/Settings.h"

#include <QFileInfo>
#include <QStandardPaths>

QString defaultTempFolder()
{
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::TempLocation);
    return QStringLiteral("%1/Cuewright").arg(locations.isEmpty() ? QString() : locations.first());
}

void rememberDialogFolder(const QString &filePath)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    currentProject().lastFolderPath = folder;
    writeSetting(SettingKeys::FolderPath, folder);
}
