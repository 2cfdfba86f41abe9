#ifndef VOXLINK_WAIT_BOUNDS_H
#define VOXLINK_WAIT_BOUNDS_H

/* Every wait on a socket goes through vx_wait_ready with one of these bounds,
 * so tests can shorten them all in one place. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VxWaitBounds {
    int connect_ms;      /* connection set-up: 10 s */
    int send_ms;         /* per wait while sending a request: 1 s + 1000 us */
    int receive_ms;      /* per wait while receiving, restarted per piece: 350 s + 350000 us */
    int stream_send_ms;  /* per wait while streaming a file: 10 s + 10000 us */
    int job_base_ms;     /* a whole transcription: this plus three times the audio: 1 h */
} VxWaitBounds;

/* No overall deadline. */
#define VX_NO_DEADLINE 0

/* Milliseconds on the monotonic clock. */
int64_t vx_monotonic_ms(void);

/* Deadline of a whole transcription of audio lasting duration_s seconds: a
 * drip of bytes or an endless run of progress messages cannot outlast it. */
int64_t vx_job_deadline(int64_t duration_s);

/* wait_ms cut to what is left before deadline (VX_NO_DEADLINE: none); -1 when
 * the deadline has passed. */
int vx_wait_within(int wait_ms, int64_t deadline);

typedef enum VxWaitResult {
    VX_WAIT_READY = 0,
    VX_WAIT_TIMEOUT,
    VX_WAIT_FAILED
} VxWaitResult;

const VxWaitBounds *vx_wait_bounds(void);

/* Tests only: replace the bounds (NULL restores the real ones). */
void voxlink_set_wait_bounds_for_tests(const VxWaitBounds *bounds);

/* Waits until fd reports one of events (POLLIN / POLLOUT) or an error or
 * hang-up, for at most timeout_ms in all; interrupted waits resume with the
 * time that is left. */
VxWaitResult vx_wait_ready(int fd, short events, int timeout_ms);

#ifdef __cplusplus
}
#endif

#endif
