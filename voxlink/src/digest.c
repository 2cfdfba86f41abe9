#include "digest.h"

#include <openssl/evp.h>
#include <stdlib.h>
#include <string.h>

static void to_hex(const unsigned char *digest, char out[VX_MD5_HEX_SIZE])
{
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = digits[digest[i] >> 4];
        out[2 * i + 1] = digits[digest[i] & 0x0f];
    }
    out[32] = '\0';
}

int vx_md5_hex_string(const char *text, char out[VX_MD5_HEX_SIZE])
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!EVP_Digest(text, strlen(text), digest, &size, EVP_md5(), NULL) || size != 16)
        return -1;
    to_hex(digest, out);
    return 0;
}

int vx_md5_hex_stream(FILE *stream, char out[VX_MD5_HEX_SIZE])
{
    EVP_MD_CTX *context = EVP_MD_CTX_new();
    if (!context)
        return -1;
    int ok = EVP_DigestInit_ex(context, EVP_md5(), NULL);
    unsigned char block[4096];
    size_t got;
    while (ok && (got = fread(block, 1, sizeof block, stream)) > 0)
        ok = EVP_DigestUpdate(context, block, got);
    ok = ok && !ferror(stream);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    ok = ok && EVP_DigestFinal_ex(context, digest, &size) && size == 16;
    EVP_MD_CTX_free(context);
    if (!ok)
        return -1;
    to_hex(digest, out);
    return 0;
}

char *vx_base64_encode(const unsigned char *bytes, size_t n)
{
    if (n > (size_t)(1 << 30))
        return NULL;
    char *out = malloc((n + 2) / 3 * 4 + 1);
    if (!out)
        return NULL;
    EVP_EncodeBlock((unsigned char *)out, bytes, (int)n);
    return out;
}
