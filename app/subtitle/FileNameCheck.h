#pragma once

#include <QString>

// False for an empty name or one holding \ / : * ? " < > |
bool isValidFileName(const QString &name);
