#include "shell/LaunchArguments.h"

#include "base/FilePickers.h"
#include "base/MsgBox.h"
#include "base/SignalProxy.h"
#include "shell/CotentWidget.h"
#include "shell/ProjectActions.h"

#include <QFileInfo>

QString launchFileArgument(const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (!argument.isEmpty() && !argument.startsWith(QLatin1Char('-')))
            return argument;
    }
    return QString();
}

LaunchKind launchKind(const QString &path)
{
    if (path.isEmpty())
        return LaunchKind::Nothing;
    const QFileInfo info(path);
    if (!info.isFile())
        return LaunchKind::Missing;
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("srt") || suffix == QLatin1String("txt"))
        return LaunchKind::Subtitles;
    if (suffix == QLatin1String("cwpro"))
        return LaunchKind::Project;
    return LaunchKind::Media;
}

namespace {

// A project or media file starts a new project: whatever the editor holds is
// left first, with its save question, as the start page's buttons do.
bool leaveEditor(CotentWidget &window)
{
    if (window.currentPage() == 2)
        emit SignalProxy::instance()->signal_clickTab(1, 0);
    return window.currentPage() != 2;
}

} // namespace

void openLaunchFile(CotentWidget &window, const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    SignalProxy *proxy = SignalProxy::instance();
    switch (launchKind(path)) {
    case LaunchKind::Nothing:
        return;
    case LaunchKind::Missing:
        MsgBox::notice(&window, QStringLiteral("文件不存在：%1").arg(path));
        return;
    case LaunchKind::Subtitles:
        emit proxy->signal_clickTab(2, 0);
        emit proxy->signal_SelectTxtfile(absolute);
        return;
    case LaunchKind::Project:
        if (leaveEditor(window))
            ProjectActions::openFromPath(&window, absolute);
        return;
    case LaunchKind::Media:
        if (!FilePickers::isAcceptableMediaName(absolute)) {
            MsgBox::notice(&window, QStringLiteral("非法的文件名!"));
            return;
        }
        if (!leaveEditor(window))
            return;
        emit proxy->signal_NoticeNewProject();
        emit proxy->signal_SelectMediafile(absolute);
        return;
    }
}
