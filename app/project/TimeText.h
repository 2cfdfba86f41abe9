#pragma once

#include <QString>

// The local date and time as "yyyyMMddhhmmss", for names unique per second.
QString currentTimestampName();

// "1小时1分1秒"-style text; zero parts are left out, 0 gives "".
QString formatDurationText(int seconds);
