#ifndef VOXLINK_JSON_BODY_H
#define VOXLINK_JSON_BODY_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One member of a request body; numbers are whole numbers. */
typedef struct VxMember {
    const char *name;
    const char *text; /* string value, or NULL for a number */
    long long number;
} VxMember;

#define VX_STRING(name, value) {(name), (value), 0}
#define VX_NUMBER(name, value) {(name), NULL, (long long)(value)}

/* The members as one JSON object in cJSON's formatted layout, in order;
 * a new malloc'd string, or NULL when memory runs out. */
char *vx_json_body(const VxMember *members, size_t count);

#ifdef __cplusplus
}
#endif

#endif
