#include "frame.h"

#include <stdlib.h>
#include <string.h>

static void put_u32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

static uint32_t get_u32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void vx_header_encode(const MessageHeader *header, uint8_t out[VX_HEADER_SIZE])
{
    put_u32(out + 0, header->magic);
    put_u32(out + 4, header->version);
    put_u32(out + 8, header->kind);
    put_u32(out + 12, (uint32_t)header->status);
    put_u32(out + 16, header->has_body);
    put_u32(out + 20, header->length);
}

MessageHeader vx_header_decode(const uint8_t in[VX_HEADER_SIZE])
{
    MessageHeader header;
    header.magic = get_u32(in + 0);
    header.version = get_u32(in + 4);
    header.kind = get_u32(in + 8);
    header.status = (int32_t)get_u32(in + 12);
    header.has_body = get_u32(in + 16);
    header.length = get_u32(in + 20);
    return header;
}

int vx_header_is_ours(const MessageHeader *header)
{
    return header->magic == VX_MAGIC && header->version == VX_VERSION;
}

VxFrameResult vx_header_body_size(const MessageHeader *header, size_t *size)
{
    *size = 0;
    if (header->has_body == 0 || header->length == 0)
        return VX_FRAME_OK;
    /* The field is a signed 32-bit number on the wire. */
    if ((int32_t)header->length < 0 || header->length > VX_MAX_BODY_SIZE)
        return VX_FRAME_BAD_LENGTH;
    *size = header->length;
    return VX_FRAME_OK;
}

VxFrameResult vx_decode_frame(const uint8_t *bytes, size_t n, ServiceMessage **out,
                              size_t *consumed)
{
    *out = NULL;
    *consumed = 0;
    if (n < VX_HEADER_SIZE)
        return VX_FRAME_INCOMPLETE;
    MessageHeader header = vx_header_decode(bytes);
    if (!vx_header_is_ours(&header))
        return VX_FRAME_BAD_HEADER;
    size_t body_size;
    VxFrameResult result = vx_header_body_size(&header, &body_size);
    if (result != VX_FRAME_OK)
        return result;
    if (n - VX_HEADER_SIZE < body_size)
        return VX_FRAME_INCOMPLETE;

    ServiceMessage *message = calloc(1, sizeof *message);
    if (!message)
        return VX_FRAME_NO_MEMORY;
    message->header = header;
    if (body_size > 0) {
        message->body = malloc(body_size + 1);
        if (!message->body) {
            free(message);
            return VX_FRAME_NO_MEMORY;
        }
        memcpy(message->body, bytes + VX_HEADER_SIZE, body_size);
        message->body[body_size] = '\0';
        message->body_size = body_size;
    }
    *out = message;
    *consumed = VX_HEADER_SIZE + body_size;
    return VX_FRAME_OK;
}

MessageHeader vx_request_header(uint32_t kind, size_t body_size)
{
    MessageHeader header;
    header.magic = VX_MAGIC;
    header.version = VX_VERSION;
    header.kind = kind;
    header.status = 0;
    header.has_body = 1;
    header.length = (uint32_t)body_size;
    return header;
}

uint8_t *vx_encode_frame(const ServiceMessage *message, size_t *n)
{
    *n = VX_HEADER_SIZE + message->body_size;
    uint8_t *frame = malloc(*n);
    if (!frame)
        return NULL;
    vx_header_encode(&message->header, frame);
    if (message->body_size > 0)
        memcpy(frame + VX_HEADER_SIZE, message->body, message->body_size);
    return frame;
}

ServiceMessage *vx_message_new_request(uint32_t kind, char *body)
{
    ServiceMessage *message = calloc(1, sizeof *message);
    if (!message) {
        free(body);
        return NULL;
    }
    message->body = body;
    message->body_size = body ? strlen(body) : 0;
    message->header = vx_request_header(kind, message->body_size);
    return message;
}

void vx_message_free(ServiceMessage *message)
{
    if (!message)
        return;
    if (!message->body_outlives_handle)
        free(message->body);
    free(message);
}
