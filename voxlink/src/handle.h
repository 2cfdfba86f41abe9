#ifndef VOXLINK_HANDLE_H
#define VOXLINK_HANDLE_H

#include <stdint.h>

#include "frame.h"
#include "voxlink.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VX_HOST_CAPACITY 64

enum {
    VX_KIND_REGIST = 1,
    VX_KIND_LOGIN = 2,
    VX_KIND_RECHARGE = 3,
    VX_KIND_UPDATE = 4,
    VX_KIND_SESSION = 5,
    VX_KIND_AUDIO = 6,
    VX_KIND_QUERY = 7,
    VX_KIND_LOGOUT = 8,
    VX_KIND_COSTLOG = 9,
    VX_KIND_BALANCE = 10,
    VX_KIND_COUNT = 10
};

struct TranscriptionJob;

struct ServiceHandle {
    char host[VX_HOST_CAPACITY];
    uint32_t port;
    uint32_t transport; /* always 0: TCP */
    uint32_t kind;      /* kind of the operation last started */
    /* Per kind: the request while it is sent, then the reply received. */
    ServiceMessage *slots[VX_KIND_COUNT + 1];
    struct TranscriptionJob *job;
    ServiceMessage *audio_reply;
};

/* Runs one request of the given kind with body (ownership taken) and maps
 * the reply's status. Sets errnum; returns 0 or -1. On success the reply is
 * in h->slots[kind]. */
int vx_exchange(ServiceHandle *h, uint32_t kind, char *body);

/* The success code of a kind's status 0 and the failure code of any other. */
int vx_status_code(uint32_t kind, int32_t status);

/* Replaces a kind's slot, releasing what it held. */
void vx_handle_set_slot(ServiceHandle *h, uint32_t kind, ServiceMessage *message);

#ifdef __cplusplus
}
#endif

#endif
