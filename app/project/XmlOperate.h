#pragma once

#include "project/ProjectItem.h"
#include "project/ProjectSetting.h"

#include <QString>

// Reads and writes project files and the project list. Stateless; create
// one on the stack per call. Files are replaced atomically; a failed write
// leaves the old file and prints "Error: Cannot write file <path>: <reason>"
// on standard error. Characters XML cannot hold (control characters, lone
// surrogates) are left out of the written texts.
class XmlOperate
{
public:
    // False when the file cannot be opened or is not well-formed XML; `out`
    // is then unchanged.
    bool ReadProjectSetting(const QString &path, _ProjectSetting &out);
    bool WriteProjectSetting(const QString &path, _ProjectSetting setting);

    // Fills `out` from the file; false (and `out` untouched) when the file
    // cannot be opened or parsed.
    bool ReadProjectList(const QString &path, ProjectItems &out);
    bool WriteProjectList(const QString &path, const ProjectItems &items);
};

// A number as project files hold it: C's "%g", six significant digits.
QString formatProjectNumber(double value);
