#include "base/FilePickers.h"

#include "base/CurrentProject.h"
#include "base/ModalSeam.h"
#include "base/MsgBox.h"
#include "subtitle/FileNameCheck.h"
#include "subtitle/LocalCodec.h"

#include <QFileInfo>

namespace FilePickers {

const char *const mediaFilter = "音视频文件(*.avi; *.mp4; *.mkv; *.mpg; *.mpeg; *.wmv; *.flv; *.mov; *.mp3; "
                                "*.wav);;所有文件(*.*)";
const char *const projectFilter = "工程文件(*.cwpro)";

bool isAcceptableMediaName(const QString &path)
{
    const QString baseName = QFileInfo(path).baseName();
    return isValidFileName(fromLocal8(toLocal8(baseName)));
}

QString pickMediaFile(QWidget *parent)
{
    const QString path = ModalSeam::openFileName(parent, QStringLiteral("打开音视频文件"),
                                                 currentProject().lastFolderPath,
                                                 QString::fromUtf8(mediaFilter));
    if (path.isEmpty())
        return QString();
    rememberDialogFolder(path);
    if (!isAcceptableMediaName(path)) {
        MsgBox::notice(parent, QStringLiteral("非法的文件名!"));
        return QString();
    }
    return path;
}

QString pickTextFile(QWidget *parent)
{
    const QString path = ModalSeam::openFileName(parent, QStringLiteral("打开文本文件"),
                                                 currentProject().lastFolderPath,
                                                 QStringLiteral("文本文件(*.txt;*.srt)"));
    if (!path.isEmpty())
        rememberDialogFolder(path);
    return path;
}

} // namespace FilePickers
