#ifndef VOXLINK_ERRORS_H
#define VOXLINK_ERRORS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Codes the library sets; texts in error_messages.c. */
enum {
    VX_OK = 0,
    VX_ERR_UNKNOWN_CODE = 1,
    VX_ERR_NO_MEMORY = 4,
    VX_ERR_SOCKET = 5,
    VX_ERR_NETWORK = 8,
    VX_ERR_FILE_OPEN = 9,
    VX_ERR_FILE_STAT = 10,
    VX_ERR_READ_PACKET = 11,
    VX_ERR_LOGIN_SERVICE = 22,
    VX_ERR_SEND_PACKET = 13,
    VX_ERR_PACKET_HEADER = 14,
    VX_ERR_FILE_SEEK = 15,
    VX_ERR_NO_LENGTH = 16,
    VX_OK_SUBTITLE = 58,
    VX_ERR_PUSH_AUDIO = 63,
    VX_ERR_PUSH_TEXT = 64,
    VX_ERR_SEND_TIMEOUT = 65,
    VX_ERR_RECV_TIMEOUT = 66,
    VX_ERR_NO_BODY = 67,
    VX_ERR_BODY_FLAG = 68,
    VX_ERR_ENGINE_PROCESS = 69,
    VX_ERR_ENGINE_WRITE = 70,
    VX_ERR_ENGINE_DISK = 71,
    VX_ERR_ENGINE_TIMEOUT = 72,
    VX_ERR_ENGINE_UNKNOWN = 73,
    VX_ERR_NO_BALANCE = 74
};

/* Internal only: an overall deadline passed. Reported as VX_ERR_RECV_TIMEOUT. */
#define VX_DEADLINE_PASSED (-66)

/* Missing or oversized arguments: print the fixed notice, leave errnum alone. */
void vx_report_param_error(void);

#ifdef __cplusplus
}
#endif

#endif
