#include "json_body.h"

#include <cjson/cJSON.h>
#include <stdlib.h>
#include <string.h>

char *vx_json_body(const VxMember *members, size_t count)
{
    cJSON *object = cJSON_CreateObject();
    if (!object)
        return NULL;
    for (size_t i = 0; i < count; ++i) {
        const VxMember *member = &members[i];
        cJSON *added = member->text
            ? cJSON_AddStringToObject(object, member->name, member->text)
            : cJSON_AddNumberToObject(object, member->name, (double)member->number);
        if (!added) {
            cJSON_Delete(object);
            return NULL;
        }
    }
    char *printed = cJSON_Print(object);
    cJSON_Delete(object);
    if (!printed)
        return NULL;
    /* Hand back memory of our own allocator, whatever hooks cJSON was given. */
    char *body = strdup(printed);
    cJSON_free(printed);
    return body;
}
