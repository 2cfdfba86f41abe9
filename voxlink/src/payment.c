#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "digest.h"
#include "errors.h"
#include "voxlink.h"

/* The operator's web host; CUEWRIGHT_WEB_HOST overrides it as it does for
 * the program's other pages. */
#define VX_DEFAULT_WEB_HOST "http://127.0.0.1:30080"

static void reverse(char *text)
{
    size_t n = strlen(text);
    for (size_t i = 0; i < n / 2; ++i) {
        char c = text[i];
        text[i] = text[n - 1 - i];
        text[n - 1 - i] = c;
    }
}

/* The web host as a full address (show_url) and as a bare host[:port][/path]. */
static void web_host(char *address, size_t address_size, const char **bare)
{
    const char *configured = getenv("CUEWRIGHT_WEB_HOST");
    if (!configured || !*configured)
        configured = VX_DEFAULT_WEB_HOST;
    snprintf(address, address_size, "%s", configured);
    size_t n = strlen(address);
    while (n > 0 && address[n - 1] == '/')
        address[--n] = '\0';
    const char *after_scheme = strstr(address, "://");
    *bare = after_scheme ? after_scheme + 3 : address;
}

VOXLINK_API int subtitle_alipay(const char *session, const char *username, char *out)
{
    if (!session || !username || !out) {
        vx_report_param_error();
        return -1;
    }
    char show_url[512];
    const char *payment_host;
    web_host(show_url, sizeof show_url, &payment_host);

    char *reversed_session = strdup(session);
    if (!reversed_session)
        return -1;
    reverse(reversed_session);
    const char *query_format = "user=%s&show_url=%s&sid=%s";
    int query_length = snprintf(NULL, 0, query_format, username, show_url, reversed_session);
    char *query = query_length > 0 ? malloc((size_t)query_length + 1) : NULL;
    if (query)
        snprintf(query, (size_t)query_length + 1, query_format, username, show_url,
                 reversed_session);
    free(reversed_session);
    if (!query)
        return -1;

    char *encoded = vx_base64_encode((const unsigned char *)query, (size_t)query_length);
    free(query);
    if (!encoded)
        return -1;
    reverse(encoded);

    /* The caller's buffer has a fixed size: refuse rather than overrun it. */
    int length = snprintf(out, SUBTITLE_ALIPAY_BUFFER_SIZE, "%s%s/%s%s%s", "http://",
                          payment_host, "alipay/", "index.php?id=", encoded);
    free(encoded);
    if (length < 0 || length >= SUBTITLE_ALIPAY_BUFFER_SIZE) {
        out[0] = '\0';
        return -1;
    }
    return length;
}
