#include "project/ProjectList.h"

#include "project/Settings.h"
#include "project/XmlOperate.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

QString projectListPath()
{
    return QStringLiteral("%1/%2/%3").arg(appDataFolder(), QStringLiteral("Cuewright"), QStringLiteral("Prolist.xml"));
}

QString proposedProjectFilePath(const QString &mediaFilePath)
{
    const QFileInfo media(mediaFilePath);
    return QStringLiteral("%1/%2%3").arg(media.absolutePath(), media.baseName(), QStringLiteral(".cwpro"));
}

bool addProjectIfMissing(ProjectItems &list, const QString &name, const QString &path)
{
    const bool listed = std::any_of(list.cbegin(), list.cend(),
                                    [&path](const ProjectItem &item) { return item.path == path; });
    if (listed)
        return false;
    list.append(ProjectItem{name, true, path});
    return true;
}

bool recordProjectInList(ProjectItems &list, const QString &name, const QString &path, const QString &listPath)
{
    if (!addProjectIfMissing(list, name, path))
        return false;
    QDir().mkpath(QFileInfo(listPath).absolutePath());
    XmlOperate().WriteProjectList(listPath, list);
    return true;
}
