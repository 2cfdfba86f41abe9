#include "handle.h"

#include <stdlib.h>
#include <string.h>

#include "errors.h"
#include "transcription_job.h"
#include "transport.h"
#include "wait_bounds.h"

/* Codes for statuses 0, 1, 2, 3, 4 and any other, per request kind. */
static const int status_codes[VX_KIND_COUNT + 1][6] = {
    [VX_KIND_REGIST] = {42, 43, 44, 45, 45, 45},
    [VX_KIND_LOGIN] = {20, 21, 22, 23, 24, 25},
    [VX_KIND_RECHARGE] = {38, 39, 40, 41, 41, 41},
    [VX_KIND_UPDATE] = {26, 27, 28, 29, 29, 29},
    [VX_KIND_SESSION] = {30, 31, 32, 33, 33, 33},
    [VX_KIND_QUERY] = {46, 47, 48, 49, 49, 49},
    [VX_KIND_LOGOUT] = {34, 35, 36, 37, 37, 37},
    [VX_KIND_COSTLOG] = {50, 51, 52, 53, 53, 53},
    [VX_KIND_BALANCE] = {54, 55, 56, 57, 57, 57},
};

int vx_status_code(uint32_t kind, int32_t status)
{
    if (kind == 0 || kind > VX_KIND_COUNT || kind == VX_KIND_AUDIO)
        return VX_ERR_UNKNOWN_CODE;
    int column = (status >= 0 && status <= 4) ? status : 5;
    return status_codes[kind][column];
}

VOXLINK_API ServiceHandle *subtitle_start(const char *host, unsigned int port)
{
    if (!host || port == 0 || strlen(host) >= VX_HOST_CAPACITY) {
        vx_report_param_error();
        return NULL;
    }
    ServiceHandle *h = calloc(1, sizeof *h);
    if (!h)
        return NULL;
    strcpy(h->host, host);
    h->port = port;
    h->transport = 0;
    return h;
}

void vx_handle_set_slot(ServiceHandle *h, uint32_t kind, ServiceMessage *message)
{
    vx_message_free(h->slots[kind]);
    h->slots[kind] = message;
}

VOXLINK_API void subtitle_end(ServiceHandle *h)
{
    if (!h)
        return;
    /* Balance and consumption-record texts are marked to outlive the handle;
     * vx_message_free leaves those bodies alone. */
    for (uint32_t kind = 1; kind <= VX_KIND_COUNT; ++kind)
        vx_message_free(h->slots[kind]);
    vx_job_free(h->job);
    vx_message_free(h->audio_reply);
    free(h);
}

int vx_exchange(ServiceHandle *h, uint32_t kind, char *body)
{
    h->kind = kind;
    ServiceMessage *request = vx_message_new_request(kind, body);
    if (!request) {
        errnum = VX_ERR_NO_MEMORY;
        return -1;
    }
    vx_handle_set_slot(h, kind, request);

    size_t frame_size;
    uint8_t *frame = vx_encode_frame(request, &frame_size);
    if (!frame) {
        errnum = VX_ERR_NO_MEMORY;
        return -1;
    }
    int fd;
    int code = vx_connect(h->host, h->port, &fd);
    if (code == VX_OK)
        code = vx_send_all(fd, frame, frame_size, vx_wait_bounds()->send_ms);
    free(frame);

    ServiceMessage *reply = NULL;
    if (code == VX_OK) {
        code = vx_read_message(fd, &reply);
        if (code == VX_OK && reply->header.kind != VX_REPLY_KIND_OFFSET + kind)
            code = VX_ERR_PACKET_HEADER;
        else if (code == VX_OK)
            code = vx_status_code(kind, reply->header.status);
    }
    vx_close(fd);

    errnum = code;
    if (reply && reply->header.kind == VX_REPLY_KIND_OFFSET + kind && reply->header.status == 0) {
        vx_handle_set_slot(h, kind, reply);
        return 0;
    }
    vx_message_free(reply);
    return -1;
}
