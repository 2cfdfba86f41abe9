#pragma once
// When a password may be tried again after consecutive failures. The count
// is kept per account and peer address, so a stranger's guesses never lock
// the owner out from elsewhere: the first few failures cost nothing; then
// each further attempt waits twice as long as the one before, up to an hour;
// after 100 failures in a row that address takes one try a day. A success
// resets its count.
//
// The account as a whole also counts, but one address adds at most its 100
// between two successes of the owner: only guesses spread over about ten
// addresses put the whole account on one try a day. A success anywhere
// resets that count, so the rightful user is never locked out for good.

#include <cstdint>

namespace cw::service {

struct LoginBackoff {
    static constexpr int kFreeFailures = 5;
    static constexpr int kMaxFailures = 100;
    static constexpr int64_t kMaxDelaySeconds = 3600;
    static constexpr int64_t kRestSeconds = 24 * 3600;

    // Seconds that must pass after the last failure before the next check.
    static int64_t delayAfter(int failures);
    static bool mayTry(int failures, int64_t lastFailureAt, int64_t now);
    // Whether a check may start while `inFlight` others on the account are
    // still running: only if it still could were every one of them to fail
    // now. Otherwise it waits for them, so that guesses sent at once are
    // checked no faster than guesses sent one by one.
    static bool mayStart(int failures, int64_t lastFailureAt, int inFlight, int64_t now);
    // The count to store after one more failure; it stays at the limit, so
    // after the limit every failure costs another day of rest.
    static int failuresAfterFailure(int failures);

    static constexpr int kAccountMaxFailures = 10 * kMaxFailures;
    static bool accountMayTry(int accountFailures, int64_t lastFailureAt, int64_t now);
    // The account's count after one more failure from an address that had
    // `addressFailures` before it.
    static int accountFailuresAfterFailure(int accountFailures, int addressFailures);
};

}  // namespace cw::service
