#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "digest.h"
#include "errors.h"
#include "voxlink.h"

VOXLINK_API char *file_finger(const char *path)
{
    if (!path) {
        vx_report_param_error();
        return NULL;
    }
    FILE *stream = fopen(path, "rbe");
    if (!stream) {
        perror("fopen");
        return (char *)path;
    }
    char hex[VX_MD5_HEX_SIZE];
    int ok = vx_md5_hex_stream(stream, hex) == 0;
    fclose(stream);
    if (!ok) {
        perror("fread");
        return (char *)path;
    }
    char *copy = malloc(VX_MD5_HEX_SIZE);
    if (!copy)
        return (char *)path;
    memcpy(copy, hex, VX_MD5_HEX_SIZE);
    return copy;
}
