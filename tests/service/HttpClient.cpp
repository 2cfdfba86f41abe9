#include "HttpClient.h"

#include <curl/curl.h>

#include <cstring>

namespace cw::testing {

namespace {

size_t collect(char *data, size_t size, size_t count, void *out)
{
    static_cast<std::string *>(out)->append(data, size * count);
    return size * count;
}

struct Upload {
    const std::string *body;
    size_t offset = 0;
};

size_t provide(char *buffer, size_t size, size_t count, void *context)
{
    auto *upload = static_cast<Upload *>(context);
    const size_t n = std::min(size * count, upload->body->size() - upload->offset);
    std::memcpy(buffer, upload->body->data() + upload->offset, n);
    upload->offset += n;
    return n;
}

}  // namespace

std::string urlEncode(const std::string &text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'
            || c == '.' || c == '~') {
            out.push_back(char(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

HttpReply httpRequest(const HttpRequest &request)
{
    HttpReply reply;
    CURL *curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    if (request.method == "HEAD")
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_slist *headers = nullptr;
    Upload upload{&request.body};
    if (request.method == "POST") {
        headers = curl_slist_append(headers, ("Content-Type: " + request.contentType).c_str());
        if (request.chunked) {
            headers = curl_slist_append(headers, "Transfer-Encoding: chunked");
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
            curl_easy_setopt(curl, CURLOPT_READFUNCTION, provide);
            curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
        } else {
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, long(request.body.size()));
        }
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    }
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    char *type = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    if (type)
        reply.contentType = type;
    if (code != CURLE_OK)
        reply.error = curl_easy_strerror(code);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return reply;
}

HttpReply httpPostForm(const std::string &url, const std::vector<std::pair<std::string, std::string>> &fields)
{
    HttpRequest request;
    request.method = "POST";
    request.url = url;
    for (const auto &[name, value] : fields)
        request.body += (request.body.empty() ? "" : "&") + urlEncode(name) + "=" + urlEncode(value);
    return httpRequest(request);
}

}  // namespace cw::testing
