#ifndef VOXLINK_TRANSPORT_H
#define VOXLINK_TRANSPORT_H

/* Socket side of an exchange. Every function returns 0 or the error code
 * (errors.h) for the caller to put in errnum. */

#include <stddef.h>
#include <stdint.h>

#include "frame.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Non-blocking IPv4 TCP connection with TCP_NODELAY; code 5 on any failure. */
int vx_connect(const char *host, unsigned int port, int *fd);
void vx_close(int fd);

/* Sends all n bytes, waiting at most wait_ms each time the socket is full:
 * 65 on a timed-out wait, 8 when the wait or the send fails (a closed peer
 * included; never raises SIGPIPE). */
int vx_send_all(int fd, const void *bytes, size_t n, int wait_ms);

/* The same within an overall deadline (vx_job_deadline); VX_DEADLINE_PASSED
 * once it passes. */
int vx_send_all_until(int fd, const void *bytes, size_t n, int wait_ms, int64_t deadline);

/* Receives exactly n bytes, each wait bounded by the receive bound:
 * 66 on time-out, 8 when the wait fails, 11 when the peer closes or errs. */
int vx_receive_exact(int fd, void *buffer, size_t n);
/* Within an overall deadline; VX_DEADLINE_PASSED once it passes. */
int vx_receive_exact_until(int fd, void *buffer, size_t n, int64_t deadline);

/* Reads one message: 4 for a hostile body length (nothing allocated), 14 for
 * a header that is not ours (wrong magic or version), 11 for any receive
 * failure, 66 when the overall deadline passes (VX_NO_DEADLINE: none). */
int vx_read_message(int fd, ServiceMessage **out);
int vx_read_message_until(int fd, ServiceMessage **out, int64_t deadline);

#ifdef __cplusplus
}
#endif

#endif
