#include "transport.h"

#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include "errors.h"
#include "wait_bounds.h"

static int would_block(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK;
}

static int finish_connect(int fd)
{
    if (vx_wait_ready(fd, POLLOUT, vx_wait_bounds()->connect_ms) != VX_WAIT_READY)
        return VX_ERR_SOCKET;
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
        return VX_ERR_SOCKET;
    return VX_OK;
}

int vx_connect(const char *host, unsigned int port, int *out_fd)
{
    *out_fd = -1;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        return VX_ERR_SOCKET;

    char service[16];
    snprintf(service, sizeof service, "%u", port);
    struct addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    struct addrinfo *addresses = NULL;
    if (getaddrinfo(host, service, &hints, &addresses) != 0 || !addresses) {
        close(fd);
        return VX_ERR_SOCKET;
    }

    int flags = fcntl(fd, F_GETFL, 0);
    int one = 1;
    int result = VX_OK;
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0
        || setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0) {
        result = VX_ERR_SOCKET;
    } else if (connect(fd, addresses->ai_addr, addresses->ai_addrlen) != 0) {
        /* An interrupted connect carries on in the background like one in progress. */
        result = (errno == EINPROGRESS || errno == EINTR) ? finish_connect(fd) : VX_ERR_SOCKET;
    }
    freeaddrinfo(addresses);

    if (result != VX_OK) {
        close(fd);
        return result;
    }
    *out_fd = fd;
    return VX_OK;
}

void vx_close(int fd)
{
    if (fd >= 0)
        close(fd);
}

int vx_send_all(int fd, const void *bytes, size_t n, int wait_ms)
{
    return vx_send_all_until(fd, bytes, n, wait_ms, VX_NO_DEADLINE);
}

int vx_send_all_until(int fd, const void *bytes, size_t n, int wait_ms, int64_t deadline)
{
    const char *next = bytes;
    size_t left = n;
    while (left > 0) {
        /* Try first and wait only when the socket is full: the same bounded
         * wait as waiting before every send, without a poll per piece. */
        ssize_t sent = send(fd, next, left, MSG_NOSIGNAL);
        if (sent > 0) {
            next += sent;
            left -= (size_t)sent;
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && !would_block(errno))
            return VX_ERR_NETWORK;
        int wait = vx_wait_within(wait_ms, deadline);
        if (wait < 0)
            return VX_DEADLINE_PASSED;
        VxWaitResult waited = vx_wait_ready(fd, POLLOUT, wait);
        if (waited == VX_WAIT_TIMEOUT)
            return wait < wait_ms ? VX_DEADLINE_PASSED : VX_ERR_SEND_TIMEOUT;
        if (waited == VX_WAIT_FAILED)
            return VX_ERR_NETWORK;
    }
    return VX_OK;
}

int vx_receive_exact(int fd, void *buffer, size_t n)
{
    return vx_receive_exact_until(fd, buffer, n, VX_NO_DEADLINE);
}

int vx_receive_exact_until(int fd, void *buffer, size_t n, int64_t deadline)
{
    char *next = buffer;
    size_t left = n;
    while (left > 0) {
        const int receive_ms = vx_wait_bounds()->receive_ms;
        int wait = vx_wait_within(receive_ms, deadline);
        if (wait < 0)
            return VX_DEADLINE_PASSED;
        VxWaitResult waited = vx_wait_ready(fd, POLLIN, wait);
        if (waited == VX_WAIT_TIMEOUT)
            return wait < receive_ms ? VX_DEADLINE_PASSED : VX_ERR_RECV_TIMEOUT;
        if (waited == VX_WAIT_FAILED)
            return VX_ERR_NETWORK;
        ssize_t got = recv(fd, next, left, 0);
        if (got > 0) {
            next += got;
            left -= (size_t)got;
        } else if (got == 0) {
            return VX_ERR_READ_PACKET;
        } else if (errno != EINTR && !would_block(errno)) {
            return VX_ERR_READ_PACKET;
        }
    }
    return VX_OK;
}

int vx_read_message(int fd, ServiceMessage **out)
{
    return vx_read_message_until(fd, out, VX_NO_DEADLINE);
}

/* A receive failure is code 11; a passed overall deadline is the receive
 * time-out. */
static int receive_failure(int code)
{
    return code == VX_DEADLINE_PASSED ? VX_ERR_RECV_TIMEOUT : VX_ERR_READ_PACKET;
}

int vx_read_message_until(int fd, ServiceMessage **out, int64_t deadline)
{
    *out = NULL;
    uint8_t raw[VX_HEADER_SIZE];
    int code = vx_receive_exact_until(fd, raw, sizeof raw, deadline);
    if (code != VX_OK)
        return receive_failure(code);
    MessageHeader header = vx_header_decode(raw);
    if (!vx_header_is_ours(&header))
        return VX_ERR_PACKET_HEADER;
    size_t body_size;
    if (vx_header_body_size(&header, &body_size) != VX_FRAME_OK)
        return VX_ERR_NO_MEMORY;

    ServiceMessage *message = calloc(1, sizeof *message);
    if (!message)
        return VX_ERR_NO_MEMORY;
    message->header = header;
    if (body_size > 0) {
        message->body = malloc(body_size + 1);
        if (!message->body) {
            free(message);
            return VX_ERR_NO_MEMORY;
        }
        code = vx_receive_exact_until(fd, message->body, body_size, deadline);
        if (code != VX_OK) {
            vx_message_free(message);
            return receive_failure(code);
        }
        message->body[body_size] = '\0';
        message->body_size = body_size;
    }
    *out = message;
    return VX_OK;
}
