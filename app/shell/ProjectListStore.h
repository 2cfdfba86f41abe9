#pragma once

#include "project/ProjectItem.h"

#include <QString>

// The per-user project list file as the start page keeps it.
namespace ProjectListStore {

// Reads the list at start. A file that exists but cannot be parsed is kept
// aside as "<path>.corrupt" before an empty list is written in its place;
// a file that cannot be opened is left alone. Never fails: the start page
// always gets a list, possibly empty.
ProjectItems loadAtStart(const QString &path);

// Writes currentProject().projectList to the list file.
bool saveCurrentList();

} // namespace ProjectListStore
