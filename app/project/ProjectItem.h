#pragma once

#include <QString>
#include <QVector>

// One line of the per-user project list.
struct ProjectItem
{
    QString name;
    bool state = false; // true: subtitles have been generated
    QString path;       // absolute path of the project file

    bool operator==(const ProjectItem &o) const { return name == o.name && state == o.state && path == o.path; }
};

using ProjectItems = QVector<ProjectItem>;
