#pragma once

#include "project/ProjectItem.h"
#include "project/ProjectSetting.h"

#include <QRect>
#include <QString>

// The state of the one open project, shared by every window on the GUI
// thread. A project is open exactly when mediaFilePath is not empty. The
// subtitles themselves live in currentSubtitleList(); AppState owns both.
struct CurrentProject
{
    QString mediaFilePath;
    QString projectFilePath;
    QString subtitleFilePath;
    QString wavFilePath;
    QString exportSrtFilePath;
    QString lastFolderPath;
    _ProjectSetting setting;
    ProjectItems projectList;
    bool taskRunning = false;
    bool recognitionMode = false;
    int textEncoding = 0;
    bool lineTooLong = false;
    QRect availableRect;

    // Fixed at start-up for the life of the process.
    QString tempFolder;
    QString appDataFolder;
    // Where the autosave keeps work that has no SRT file of its own; empty
    // when another running copy of the program keeps it.
    QString recoveryCopyPath;

    bool isOpen() const { return !mediaFilePath.isEmpty(); }
};

CurrentProject &currentProject();

// "<first temporary location>/Cuewright".
QString defaultTempFolder();

// AppState::resetProject() of the program's state.
void resetCurrentProject();

// Stores the folder of `filePath` as the last dialog folder, in memory and
// under /BaseSet/FolderPath.
void rememberDialogFolder(const QString &filePath);
