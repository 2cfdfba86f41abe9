#include "wait_bounds.h"

#include <errno.h>
#include <poll.h>
#include <stdint.h>
#include <time.h>

static const VxWaitBounds real_bounds = {
    .connect_ms = 10000,
    .send_ms = 1001,
    .receive_ms = 350350,
    .stream_send_ms = 10010,
    .job_base_ms = 3600 * 1000,
};

static VxWaitBounds test_bounds;
static const VxWaitBounds *current_bounds = &real_bounds;

const VxWaitBounds *vx_wait_bounds(void)
{
    return current_bounds;
}

void voxlink_set_wait_bounds_for_tests(const VxWaitBounds *bounds)
{
    if (bounds) {
        test_bounds = *bounds;
        current_bounds = &test_bounds;
    } else {
        current_bounds = &real_bounds;
    }
}

int64_t vx_monotonic_ms(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

int64_t vx_job_deadline(int64_t duration_s)
{
    if (duration_s < 0)
        duration_s = 0;
    /* Far beyond any real audio; keeps the sum from overflowing. */
    if (duration_s > 100LL * 24 * 3600)
        duration_s = 100LL * 24 * 3600;
    return vx_monotonic_ms() + current_bounds->job_base_ms + 3 * 1000 * duration_s;
}

int vx_wait_within(int wait_ms, int64_t deadline)
{
    if (deadline == VX_NO_DEADLINE)
        return wait_ms;
    int64_t left = deadline - vx_monotonic_ms();
    if (left <= 0)
        return -1;
    return left < wait_ms ? (int)left : wait_ms;
}

VxWaitResult vx_wait_ready(int fd, short events, int timeout_ms)
{
    const int64_t deadline = vx_monotonic_ms() + timeout_ms;
    struct pollfd entry = {.fd = fd, .events = events, .revents = 0};
    int left = timeout_ms;
    for (;;) {
        int ready = poll(&entry, 1, left);
        if (ready > 0)
            return (entry.revents & POLLNVAL) ? VX_WAIT_FAILED : VX_WAIT_READY;
        if (ready == 0)
            return VX_WAIT_TIMEOUT;
        if (errno != EINTR)
            return VX_WAIT_FAILED;
        int64_t remaining = deadline - vx_monotonic_ms();
        if (remaining <= 0)
            return VX_WAIT_TIMEOUT;
        left = (int)remaining;
    }
}
