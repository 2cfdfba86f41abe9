#include "shell/CurrentProject.h"

#include "project/Settings.h"
#include "shell/PlaybackState.h"
#include "shell/SignalProxy.h"
#include "subtitle/SubtitleList.h"

#include <QFileInfo>
#include <QStandardPaths>

CurrentProject &currentProject()
{
    static CurrentProject project;
    return project;
}

QString defaultTempFolder()
{
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::TempLocation);
    return QStringLiteral("%1/Cuewright").arg(locations.isEmpty() ? QString() : locations.first());
}

void resetCurrentProject()
{
    CurrentProject &project = currentProject();
    project.projectFilePath.clear();
    project.mediaFilePath.clear();
    project.subtitleFilePath.clear();
    project.wavFilePath.clear();
    project.exportSrtFilePath.clear();
    playbackState().playPosition = 0;
    playbackState().playerStarted = false;
    currentSubtitleList().clear();
    project.setting.MultimediaFile.clear();
    project.setting.WavFilePath.clear();
    project.setting.ExportSrtFilePath.clear();
    project.setting.CurrentPlayPos = 0;
    project.setting.PlaySpeed = 0;
    // The waveform drops its blocks on this signal.
    emit SignalProxy::instance()->siganal_ClearDate();
}

void rememberDialogFolder(const QString &filePath)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    currentProject().lastFolderPath = folder;
    writeSetting(SettingKeys::FolderPath, folder);
}
