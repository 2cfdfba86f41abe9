#ifndef VOXLINK_DIGEST_H
#define VOXLINK_DIGEST_H

#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VX_MD5_HEX_SIZE 33 /* 32 lowercase hex digits and a NUL */

/* MD5 of the string's bytes (no terminator) as lowercase hex. */
int vx_md5_hex_string(const char *text, char out[VX_MD5_HEX_SIZE]);

/* MD5 of everything from the stream's current position to its end, read in
 * 4096-byte blocks; -1 on a read error. */
int vx_md5_hex_stream(FILE *stream, char out[VX_MD5_HEX_SIZE]);

/* Base64 (standard alphabet, "=" padding) as a new NUL-terminated string. */
char *vx_base64_encode(const unsigned char *bytes, size_t n);

#ifdef __cplusplus
}
#endif

#endif
