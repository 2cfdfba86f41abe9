#pragma once
// The operator's web host: the site's pages, registration, the payment page
// and the update folder, as requests in and responses out. No sockets here
// (WebServer carries them), so every route is testable directly.

#include "AccountService.h"

#include <cstdint>
#include <string>

namespace cw::service::web {

struct WebRequest {
    std::string method;
    std::string target;  // path and query exactly as sent
    std::string contentType;
    std::string body;
};

struct WebResponse {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    int fileFd = -1;  // a file sent instead of the body; whoever sends it closes it
    uint64_t fileSize = 0;
    std::string allow;  // for 405
    std::string user;   // for the log; never a secret

    WebResponse() = default;
    WebResponse(const WebResponse &) = delete;
    WebResponse &operator=(const WebResponse &) = delete;
    WebResponse(WebResponse &&other) noexcept;
    WebResponse &operator=(WebResponse &&other) noexcept;
    ~WebResponse();
    // Hands the file over to the sender.
    int releaseFile();
};

class WebHost {
public:
    static constexpr size_t kMaxBodyBytes = 8 * 1024;

    // `root` holds cuewright/update/ with the version file and archives.
    WebHost(AccountService &accounts, std::string root);

    WebResponse handle(const WebRequest &request) const;
    static WebResponse bodyTooLarge();
    const std::string &root() const { return root_; }

private:
    WebResponse registration(const WebRequest &request) const;
    WebResponse paymentPage(const std::string &query) const;
    WebResponse payment(const WebRequest &request) const;
    WebResponse updateFile(const std::string &rawPath) const;

    AccountService &accounts_;
    std::string root_;
};

}  // namespace cw::service::web
