#include "shell/ProjectListStore.h"

#include "project/ProjectList.h"
#include "project/XmlOperate.h"
#include "base/CurrentProject.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ProjectListStore {

ProjectItems loadAtStart(const QString &path)
{
    ProjectItems items;
    if (!QFileInfo::exists(path) || XmlOperate().ReadProjectList(path, items))
        return items;

    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        qWarning() << "project list cannot be opened, left as it is:" << path;
        return ProjectItems();
    }
    probe.close();

    const QString aside = path + QStringLiteral(".corrupt");
    QFile::remove(aside);
    if (!QFile::rename(path, aside)) {
        qWarning() << "unreadable project list could not be kept aside, left as it is:" << path;
        return ProjectItems();
    }
    qWarning() << "unreadable project list kept as" << aside;
    XmlOperate().WriteProjectList(path, ProjectItems());
    return ProjectItems();
}

bool saveCurrentList()
{
    const QString path = projectListPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return XmlOperate().WriteProjectList(path, currentProject().projectList);
}

} // namespace ProjectListStore
