#include "LoginBackoff.h"

#include <algorithm>

namespace cw::service {

int64_t LoginBackoff::delayAfter(int failures)
{
    if (failures < kFreeFailures)
        return 0;
    if (failures >= kMaxFailures)
        return kRestSeconds;
    const int doublings = std::min(failures - kFreeFailures, 20);
    return std::min<int64_t>(int64_t(1) << doublings, kMaxDelaySeconds);
}

bool LoginBackoff::mayTry(int failures, int64_t lastFailureAt, int64_t now)
{
    return now - lastFailureAt >= delayAfter(failures);
}

bool LoginBackoff::mayStart(int failures, int64_t lastFailureAt, int inFlight, int64_t now)
{
    if (inFlight <= 0)
        return mayTry(failures, lastFailureAt, now);
    return mayTry(std::min(failures + inFlight, kMaxFailures), now, now);
}

int LoginBackoff::failuresAfterFailure(int failures)
{
    if (failures >= kMaxFailures)
        return kMaxFailures;
    return failures + 1;
}

}  // namespace cw::service
