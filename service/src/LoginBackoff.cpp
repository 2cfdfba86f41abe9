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

bool LoginBackoff::accountMayTry(int accountFailures, int64_t lastFailureAt, int64_t now)
{
    return accountFailures < kAccountMaxFailures || now - lastFailureAt >= kRestSeconds;
}

int LoginBackoff::accountFailuresAfterFailure(int accountFailures, int addressFailures)
{
    if (addressFailures >= kMaxFailures && accountFailures < kAccountMaxFailures)
        return accountFailures;  // that address is resting already; it adds no more
    return std::min(accountFailures + 1, kAccountMaxFailures);
}

}  // namespace cw::service
