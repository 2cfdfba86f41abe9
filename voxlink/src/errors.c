#include "voxlink.h"

#include <stdio.h>

#include "error_messages.h"
#include "errors.h"

VOXLINK_API int errnum = 0;

VOXLINK_API const char *subtitle_strerror(int code)
{
    if (code < 0 || code >= VX_ERROR_MESSAGE_COUNT)
        return vx_error_messages[VX_ERR_UNKNOWN_CODE];
    return vx_error_messages[code];
}

void vx_report_param_error(void)
{
    fputs("param error\n", stdout);
    fflush(stdout);
}
