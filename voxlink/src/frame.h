#ifndef VOXLINK_FRAME_H
#define VOXLINK_FRAME_H

/* Wire form of a message: a 24-byte little-endian header, then the body.
 * Everything here is pure (bytes in, values out) so it can be fuzzed. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VX_MAGIC 7099u
#define VX_VERSION 1u
#define VX_HEADER_SIZE 24u
#define VX_REPLY_KIND_OFFSET 100u
/* A reply body above this is refused before anything is allocated. */
#define VX_MAX_BODY_SIZE (64u * 1024u * 1024u)

typedef struct MessageHeader {
    uint32_t magic;
    uint32_t version;
    uint32_t kind;
    int32_t status;
    uint32_t has_body;
    /* Body length; without body the service may put a value of its own here
     * (the resume offset of a transcription). */
    uint32_t length;
} MessageHeader;

typedef struct ServiceMessage {
    MessageHeader header;
    char *body;              /* NUL-terminated, or NULL when none */
    size_t body_size;
    int body_outlives_handle; /* handed out to a caller that keeps it */
} ServiceMessage;

typedef enum VxFrameResult {
    VX_FRAME_OK = 0,
    VX_FRAME_INCOMPLETE,  /* more bytes are needed */
    VX_FRAME_BAD_LENGTH,  /* negative or oversized body length */
    VX_FRAME_BAD_HEADER,  /* not our magic or protocol version */
    VX_FRAME_NO_MEMORY
} VxFrameResult;

void vx_header_encode(const MessageHeader *header, uint8_t out[VX_HEADER_SIZE]);
MessageHeader vx_header_decode(const uint8_t in[VX_HEADER_SIZE]);

/* Whether the header is one of ours: the magic and the protocol version. */
int vx_header_is_ours(const MessageHeader *header);

/* Number of body bytes that follow a received header: 0 when the message has
 * no body (has-body 0 or length 0). */
VxFrameResult vx_header_body_size(const MessageHeader *header, size_t *size);

/* Decodes one whole message from the start of bytes. On VX_FRAME_OK *out is
 * a new message (vx_message_free) and *consumed the bytes it took. */
VxFrameResult vx_decode_frame(const uint8_t *bytes, size_t n, ServiceMessage **out,
                              size_t *consumed);

/* Header fields of a request: magic, version, kind, status 0, has-body 1. */
MessageHeader vx_request_header(uint32_t kind, size_t body_size);

/* Header plus body as one buffer (malloc'd), for one send. */
uint8_t *vx_encode_frame(const ServiceMessage *message, size_t *n);

/* Takes ownership of body (malloc'd, may be NULL for an empty one). */
ServiceMessage *vx_message_new_request(uint32_t kind, char *body);
void vx_message_free(ServiceMessage *message);

#ifdef __cplusplus
}
#endif

#endif
