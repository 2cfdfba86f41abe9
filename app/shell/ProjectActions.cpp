#include "shell/ProjectActions.h"

#include "audio/AudioExtraction.h"
#include "project/ProjectList.h"
#include "project/XmlOperate.h"
#include "base/CurrentProject.h"
#include "base/FilePickers.h"
#include "base/ModalSeam.h"
#include "base/MsgBox.h"
#include "base/PlaybackState.h"
#include "base/ProjectPacking.h"
#include "base/SignalProxy.h"

#include <QDialog>
#include <QFileInfo>

namespace {

// Asks where the media went when the project's media file is missing; on a
// choice the project file is rewritten at once.
void relocateMissingMedia(QWidget *parent, const QString &projectPath, _ProjectSetting &setting)
{
    MsgBox box(parent);
    box.setFixedSize(350, 160);
    box.setTitle(QStringLiteral("找不到媒体文件"));
    box.setText(QStringLiteral("无法定位当前工程指定的媒体文件，是否手动查找?"));
    box.setOkText(QStringLiteral("查找文件"));
    box.setCancelText(QStringLiteral("忽略"));
    if (box.exec() != QDialog::Accepted)
        return;
    const QString media = ModalSeam::openFileName(parent, QStringLiteral("打开音视频文件"),
                                                  currentProject().lastFolderPath,
                                                  QString::fromUtf8(FilePickers::mediaFilter));
    if (media.isEmpty())
        return;
    rememberDialogFolder(media);
    setting.MultimediaFile = media;
    setting.WavFilePath.clear();
    XmlOperate().WriteProjectSetting(projectPath, setting);
}

ProjectActions::OpenOutcome openPath(QWidget *parent, const QString &path, bool fromDialog)
{
    CurrentProject &project = currentProject();
    // A fresh record: an unreadable file must not pass off the previous
    // project's values as its own.
    _ProjectSetting setting;
    if (!XmlOperate().ReadProjectSetting(path, setting)
        || (setting.MultimediaFile.isEmpty() && setting.SrtListData.isEmpty())) {
        MsgBox::notice(parent, QStringLiteral("工程文件无效！"));
        return ProjectActions::OpenOutcome::Invalid;
    }

    if (!QFileInfo::exists(setting.MultimediaFile))
        relocateMissingMedia(parent, path, setting);
    else if (!QFileInfo::exists(setting.WavFilePath))
        setting.WavFilePath = prepareWavForMedia(setting.MultimediaFile, project.tempFolder);

    if (fromDialog && recordProjectInList(project.projectList, QFileInfo(path).baseName(), path))
        emit SignalProxy::instance()->signal_UpdateList();

    unpackIntoCurrentProject(setting);
    project.projectFilePath = path;
    emit SignalProxy::instance()->signal_OpenNewProject();
    return ProjectActions::OpenOutcome::Opened;
}

} // namespace

namespace ProjectActions {

SaveOutcome saveProject(QWidget *parent)
{
    CurrentProject &project = currentProject();
    if (project.taskRunning || project.mediaFilePath.isEmpty())
        return SaveOutcome::Refused;

    if (project.projectFilePath.isEmpty()) {
        const QString chosen = ModalSeam::saveFileName(parent, QStringLiteral("保存工程"),
                                                       proposedProjectFilePath(project.mediaFilePath),
                                                       QString::fromUtf8(FilePickers::projectFilter));
        if (chosen.isEmpty())
            return SaveOutcome::Cancelled;
        project.projectFilePath = chosen;
    }
    rememberDialogFolder(project.projectFilePath);

    const _ProjectSetting packed = packCurrentProject();
    if (!XmlOperate().WriteProjectSetting(project.projectFilePath, packed)) {
        // Nothing was written there: ask for a place again next time and
        // keep the list free of a file that does not exist.
        project.projectFilePath.clear();
        return SaveOutcome::WriteFailed;
    }
    project.setting = packed;
    project.setting.SrtListData.clear();

    if (recordProjectInList(project.projectList, QFileInfo(project.mediaFilePath).baseName(),
                            project.projectFilePath))
        emit SignalProxy::instance()->signal_UpdateList();
    return SaveOutcome::Saved;
}

OpenOutcome openFromDialog(QWidget *parent)
{
    const QString path = ModalSeam::openFileName(parent, QStringLiteral("打开工程文件"),
                                                 currentProject().lastFolderPath,
                                                 QString::fromUtf8(FilePickers::projectFilter));
    if (path.isEmpty())
        return OpenOutcome::Cancelled;
    return openFromPath(parent, path);
}

OpenOutcome openFromPath(QWidget *parent, const QString &path)
{
    resetCurrentProject();
    rememberDialogFolder(path);
    return openPath(parent, path, true);
}

OpenOutcome openFromRow(QWidget *parent, const QString &path)
{
    if (!QFileInfo::exists(path)) {
        MsgBox::notice(parent, QStringLiteral("工程文件不存在！"));
        return OpenOutcome::Missing;
    }
    // As for the other opens: nothing of the project left behind (its
    // subtitle file above all, which the autosave would write to) may carry
    // into this one.
    const QString projectPath = path;
    resetCurrentProject();
    return openPath(parent, projectPath, false);
}

} // namespace ProjectActions
