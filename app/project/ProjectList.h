#pragma once

#include "project/ProjectItem.h"

#include <QString>

// "<appDataFolder>/Cuewright/Prolist.xml".
QString projectListPath();

// "<media folder>/<media base name up to its first dot>.cwpro": the name the
// save dialog proposes for a new project.
QString proposedProjectFilePath(const QString &mediaFilePath);

// Appends {name, true, path} unless an item with exactly this path exists;
// true when it appended.
bool addProjectIfMissing(ProjectItems &list, const QString &name, const QString &path);

// addProjectIfMissing, then rewrites the list file at `listPath` when
// something was appended. True when an item was appended.
bool recordProjectInList(ProjectItems &list, const QString &name, const QString &path,
                         const QString &listPath = projectListPath());
