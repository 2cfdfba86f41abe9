#pragma once

#include <QString>

// Registers the style sheet and images compiled into the base GUI library. A
// static library's resources are only linked in when something calls this.
void initGuiResources();

// The windows name "微软雅黑" / "Microsoft YaHei"; where neither is installed
// both stand for the first installed family that covers simplified Chinese.
// Returns the family they now resolve to (empty when no such family exists).
// Call once, after the application object.
QString registerChineseFontSubstitutes();
