/* voxlink: client of the recognition and account service.
 *
 * Every operation runs on its own handle: subtitle_start, one operation,
 * read its results, subtitle_end. Strings going in and texts coming back are
 * byte strings in the caller's local 8-bit code page (GBK); the library does
 * no character-set conversion. Operations return 0 (or a length) on success
 * and -1 on failure with the code in errnum; subtitle_strerror gives its text.
 */
#ifndef VOXLINK_H
#define VOXLINK_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(VOXLINK_BUILDING)
#    define VOXLINK_API __declspec(dllexport)
#  else
#    define VOXLINK_API __declspec(dllimport)
#  endif
#else
#  define VOXLINK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ServiceHandle ServiceHandle;

/* Called with the progress slot; the slot's first word points at the
 * progress text for the duration of the call only. The result is ignored. */
typedef int (*subtitle_progress_fn)(void **progress_slot);

typedef struct TranscriptionInfo {
    int32_t duration;               /* whole seconds */
    const char *type;               /* NULL -> "unknown" */
    uint32_t size;
    const char *source_finger;      /* NULL -> "unknown" */
    void **progress_slot;           /* first word written by the library */
    subtitle_progress_fn progress;  /* called with progress_slot */
} TranscriptionInfo;

/* Last success or failure code; shared by all threads. */
extern VOXLINK_API int errnum;

/* Host at most 63 characters; port not 0. Does not connect. */
VOXLINK_API ServiceHandle *subtitle_start(const char *host, unsigned int port);
/* Releases the handle and the results pointing into it, except the texts of
 * subtitle_balance and subtitle_costlog, which stay readable. */
VOXLINK_API void subtitle_end(ServiceHandle *h);
/* Static GBK text for code; unknown codes give the text of code 1. */
VOXLINK_API const char *subtitle_strerror(int code);
/* New string (free() it) with the file's MD5 hex, or path itself when the
 * file cannot be read. */
VOXLINK_API char *file_finger(const char *path);

VOXLINK_API int subtitle_regist(ServiceHandle *h, const char *username, const char *password,
                                const char *email);
/* *session receives a malloc'd copy of the session id (free() it), or NULL. */
VOXLINK_API int subtitle_login(ServiceHandle *h, const char *username, const char *password,
                               char **session);
VOXLINK_API int subtitle_logout(ServiceHandle *h, const char *session);
VOXLINK_API int subtitle_update(ServiceHandle *h, const char *username, const char *password,
                                const char *new_password);
VOXLINK_API int subtitle_session(ServiceHandle *h, const char *session);
VOXLINK_API int subtitle_recharge(ServiceHandle *h, const char *session, const char *money);
/* *text stays readable after subtitle_end: it is the caller's to free(). */
VOXLINK_API int subtitle_balance(ServiceHandle *h, const char *session, char **text);
VOXLINK_API int subtitle_costlog(ServiceHandle *h, const char *session, int start, int end,
                                 char **text);
/* Writes the payment-page address into out, which must hold
 * SUBTITLE_ALIPAY_BUFFER_SIZE bytes; returns its length, or -1 when it would
 * not fit. The operator's web host is taken from CUEWRIGHT_WEB_HOST, default
 * "http://127.0.0.1:30080": it is the query's show_url as given, and the
 * address's host with the scheme left off. */
#define SUBTITLE_ALIPAY_BUFFER_SIZE 4096
VOXLINK_API int subtitle_alipay(const char *session, const char *username, char *out);

/* *result points into the handle and is valid until subtitle_end. */
VOXLINK_API int subtitle_audio(ServiceHandle *h, const char *username, const char *session,
                               const char *audio_path, const char *text_path,
                               TranscriptionInfo *info, char **result);
VOXLINK_API int subtitle_query(ServiceHandle *h, const char *session, int start, int end,
                               char **result);

#ifdef __cplusplus
}
#endif

#endif /* VOXLINK_H */
