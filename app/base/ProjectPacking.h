#pragma once

#include "project/ProjectSetting.h"

// The one place where the open project meets its file form. The open
// project keeps no copy of the subtitles in its record: they are packed from
// the list at save and unpacked into it at open.
_ProjectSetting packCurrentProject();
// Takes over the values of a project file: paths, zoom, the values the views
// read, and the subtitles (which replace the list).
void unpackIntoCurrentProject(const _ProjectSetting &setting);
