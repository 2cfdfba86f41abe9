#pragma once
// Carries WebHost over HTTP with libmicrohttpd: its own threads, and limits
// on connections, idle time, memory per connection and request bodies.

#include "WebHost.h"

#include <string>

struct MHD_Daemon;

namespace cw::service::web {

class WebServer {
public:
    static constexpr unsigned kMaxConnections = 256;
    static constexpr unsigned kMaxConnectionsPerAddress = 64;
    static constexpr unsigned kIdleTimeoutSeconds = 30;
    static constexpr size_t kMemoryPerConnection = 64 * 1024;
    static constexpr unsigned kThreads = 4;

    explicit WebServer(const WebHost &host);
    ~WebServer();  // stops
    WebServer(const WebServer &) = delete;
    WebServer &operator=(const WebServer &) = delete;

    bool start(const std::string &address, int port, std::string *error);
    void stop();
    const std::string &boundAddress() const { return boundAddress_; }
    int boundPort() const { return boundPort_; }

private:
    const WebHost &host_;
    MHD_Daemon *daemon_ = nullptr;
    std::string boundAddress_;
    int boundPort_ = 0;
};

}  // namespace cw::service::web
