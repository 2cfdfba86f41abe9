#include "errors.h"
#include "handle.h"
#include "json_body.h"

VOXLINK_API int subtitle_query(ServiceHandle *h, const char *session, int start, int end,
                               char **result)
{
    if (!h || !session) {
        vx_report_param_error();
        return -1;
    }
    if (result)
        *result = NULL;
    const VxMember members[] = {
        VX_STRING("session", session),
        VX_NUMBER("start", start),
        VX_NUMBER("end", end),
    };
    char *body = vx_json_body(members, sizeof members / sizeof members[0]);
    if (!body) {
        h->kind = VX_KIND_QUERY;
        errnum = VX_ERR_NO_MEMORY;
        return -1;
    }
    if (vx_exchange(h, VX_KIND_QUERY, body) != 0)
        return -1;
    if (!h->slots[VX_KIND_QUERY]->body) {
        errnum = VX_ERR_NO_BODY;
        return -1;
    }
    if (result)
        *result = h->slots[VX_KIND_QUERY]->body;
    return 0;
}
