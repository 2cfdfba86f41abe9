#pragma once
// A blocking HTTP client for tests: the path is sent exactly as written.

#include <string>
#include <vector>

namespace cw::testing {

struct HttpReply {
    long status = 0;  // 0: no answer
    std::string body;
    std::string contentType;
    std::string error;
};

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    std::string body;
    std::string contentType = "application/x-www-form-urlencoded";
    bool chunked = false;  // send the body without a length
};

HttpReply httpRequest(const HttpRequest &request);
inline HttpReply httpGet(const std::string &url)
{
    HttpRequest request;
    request.url = url;
    return httpRequest(request);
}
HttpReply httpPostForm(const std::string &url, const std::vector<std::pair<std::string, std::string>> &fields);
std::string urlEncode(const std::string &text);

}  // namespace cw::testing
