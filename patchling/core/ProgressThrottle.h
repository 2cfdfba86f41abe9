#pragma once

#include <QtGlobal>

// libcurl reports progress many times a second; a bar only moves by whole
// percents. Lets a report through when its percent differs from the last
// one let through, so a download gives at most 101 of them.
class ProgressThrottle
{
public:
    bool pass(qint64 received, qint64 total)
    {
        if (total <= 0)
            return false; // nothing to show against yet
        const int percent = int(double(received) / double(total) * 100.0);
        if (percent == m_lastPercent)
            return false;
        m_lastPercent = percent;
        return true;
    }

private:
    int m_lastPercent = -1;
};
