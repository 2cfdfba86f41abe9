#include <cjson/cJSON.h>
#include <ctype.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "digest.h"
#include "errors.h"
#include "handle.h"
#include "json_body.h"

#define MEMBER_COUNT(members) (sizeof(members) / sizeof((members)[0]))

static int run(ServiceHandle *h, uint32_t kind, const VxMember *members, size_t count)
{
    char *body = vx_json_body(members, count);
    if (!body) {
        h->kind = kind;
        errnum = VX_ERR_NO_MEMORY;
        return -1;
    }
    return vx_exchange(h, kind, body);
}

/* Passwords travel as the MD5 hex of the caller's bytes. */
static int hash_password(const char *password, char out[VX_MD5_HEX_SIZE])
{
    if (vx_md5_hex_string(password, out) != 0) {
        errnum = VX_ERR_NO_MEMORY;
        return -1;
    }
    return 0;
}

VOXLINK_API int subtitle_regist(ServiceHandle *h, const char *username, const char *password,
                                const char *email)
{
    if (!h || !username || !password || !email) {
        vx_report_param_error();
        return -1;
    }
    char hashed[VX_MD5_HEX_SIZE];
    if (hash_password(password, hashed) != 0)
        return -1;
    const VxMember members[] = {
        VX_STRING("username", username),
        VX_STRING("password", hashed),
        VX_STRING("E-mail", email),
    };
    return run(h, VX_KIND_REGIST, members, MEMBER_COUNT(members));
}

/* The "session" member, its name compared without regard to case. */
static char *session_from_reply(const ServiceMessage *reply)
{
    if (!reply->body)
        return NULL;
    cJSON *root = cJSON_Parse(reply->body);
    if (!root)
        return NULL;
    const cJSON *member = cJSON_GetObjectItem(root, "session");
    char *session = cJSON_IsString(member) && member->valuestring[0] ? strdup(member->valuestring) : NULL;
    cJSON_Delete(root);
    return session;
}

VOXLINK_API int subtitle_login(ServiceHandle *h, const char *username, const char *password,
                               char **session)
{
    if (!h || !username || !password) {
        vx_report_param_error();
        return -1;
    }
    if (session)
        *session = NULL;
    char hashed[VX_MD5_HEX_SIZE];
    if (hash_password(password, hashed) != 0)
        return -1;
    const VxMember members[] = {
        VX_STRING("username", username),
        VX_STRING("password", hashed),
    };
    if (run(h, VX_KIND_LOGIN, members, MEMBER_COUNT(members)) != 0)
        return -1;
    /* Success without a session would leave the caller logged in to nothing. */
    char *granted = session_from_reply(h->slots[VX_KIND_LOGIN]);
    if (!granted) {
        errnum = VX_ERR_LOGIN_SERVICE;
        return -1;
    }
    if (session)
        *session = granted;
    else
        free(granted);
    return 0;
}

VOXLINK_API int subtitle_update(ServiceHandle *h, const char *username, const char *password,
                                const char *new_password)
{
    if (!h || !username || !password || !new_password) {
        vx_report_param_error();
        return -1;
    }
    char hashed[VX_MD5_HEX_SIZE], hashed_new[VX_MD5_HEX_SIZE];
    if (hash_password(password, hashed) != 0 || hash_password(new_password, hashed_new) != 0)
        return -1;
    const VxMember members[] = {
        VX_STRING("username", username),
        VX_STRING("password", hashed),
        VX_STRING("new_password", hashed_new),
    };
    return run(h, VX_KIND_UPDATE, members, MEMBER_COUNT(members));
}

static int session_only(ServiceHandle *h, uint32_t kind, const char *session)
{
    if (!h || !session) {
        vx_report_param_error();
        return -1;
    }
    const VxMember members[] = {VX_STRING("session", session)};
    return run(h, kind, members, MEMBER_COUNT(members));
}

VOXLINK_API int subtitle_session(ServiceHandle *h, const char *session)
{
    return session_only(h, VX_KIND_SESSION, session);
}

VOXLINK_API int subtitle_logout(ServiceHandle *h, const char *session)
{
    return session_only(h, VX_KIND_LOGOUT, session);
}

/* 144 seconds per unit of money (one hour for 25): the leading integer of the
 * text, 0 without one. Kept in 64 bits so large amounts do not wrap. */
static long long recharge_duration(const char *money)
{
    const char *p = money;
    while (isspace((unsigned char)*p))
        ++p;
    int negative = 0;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    long long units = 0;
    for (; isdigit((unsigned char)*p); ++p) {
        if (units < INT_MAX)
            units = units * 10 + (*p - '0');
    }
    if (units > INT_MAX)
        units = INT_MAX;
    return (negative ? -units : units) * 3600 / 25;
}

VOXLINK_API int subtitle_recharge(ServiceHandle *h, const char *session, const char *money)
{
    if (!h || !session || !money) {
        vx_report_param_error();
        return -1;
    }
    const VxMember members[] = {
        VX_STRING("session", session),
        VX_STRING("money", money),
        VX_NUMBER("duration", recharge_duration(money)),
    };
    return run(h, VX_KIND_RECHARGE, members, MEMBER_COUNT(members));
}

/* Hands out a reply body that must stay readable after subtitle_end; a reply
 * without one is a failure (code 67), not an empty success. */
static int body_outliving_handle(ServiceMessage *reply, char **text)
{
    if (!reply->body) {
        errnum = VX_ERR_NO_BODY;
        return -1;
    }
    /* Only a body someone holds may outlive the handle; nobody would free it. */
    if (text) {
        reply->body_outlives_handle = 1;
        *text = reply->body;
    }
    return 0;
}

VOXLINK_API int subtitle_balance(ServiceHandle *h, const char *session, char **text)
{
    if (!h || !session) {
        vx_report_param_error();
        return -1;
    }
    if (text)
        *text = NULL;
    const VxMember members[] = {VX_STRING("session", session)};
    if (run(h, VX_KIND_BALANCE, members, MEMBER_COUNT(members)) != 0)
        return -1;
    return body_outliving_handle(h->slots[VX_KIND_BALANCE], text);
}

VOXLINK_API int subtitle_costlog(ServiceHandle *h, const char *session, int start, int end,
                                 char **text)
{
    if (!h || !session) {
        vx_report_param_error();
        return -1;
    }
    if (text)
        *text = NULL;
    const VxMember members[] = {
        VX_STRING("session", session),
        VX_NUMBER("start", start),
        VX_NUMBER("end", end),
    };
    if (run(h, VX_KIND_COSTLOG, members, MEMBER_COUNT(members)) != 0)
        return -1;
    return body_outliving_handle(h->slots[VX_KIND_COSTLOG], text);
}
