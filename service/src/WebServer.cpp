#include "WebServer.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace cw::service::web {

namespace {

constexpr uint64_t kMaxDiscardedBytes = 1 << 20;

// One request's state, from its first line to the end of its body.
struct Exchange {
    std::string target;  // as sent: the unescaped url MHD hands over hides encoded dots
    std::string body;
    uint64_t discarded = 0;  // bytes past the limit of a body without a length
    bool started = false;
    std::chrono::steady_clock::time_point since = std::chrono::steady_clock::now();
};

void *rememberTarget(void *, const char *uri, struct MHD_Connection *)
{
    auto *exchange = new (std::nothrow) Exchange;
    if (exchange)
        exchange->target = uri ? uri : "";
    return exchange;
}

void forgetExchange(void *, struct MHD_Connection *, void **context, enum MHD_RequestTerminationCode)
{
    delete static_cast<Exchange *>(*context);
    *context = nullptr;
}

void logRequest(const char *method, const Exchange &exchange, const WebResponse &response)
{
    // The path only: a payment page's query carries the session.
    const std::string path = exchange.target.substr(0, exchange.target.find('?'));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now()
                                                                          - exchange.since)
                        .count();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(stderr, "%s web %s %.200s %d %s %lldms\n", when, method, path.c_str(), response.status,
                 response.user.empty() ? "-" : response.user.c_str(), static_cast<long long>(ms));
}

enum MHD_Result send(struct MHD_Connection *connection, const char *method, const Exchange &exchange,
                     WebResponse response)
{
    logRequest(method, exchange, response);
    struct MHD_Response *reply = nullptr;
    if (response.fileFd >= 0) {
        // MHD closes the file when the response is done with it.
        const int fd = response.releaseFile();
        reply = MHD_create_response_from_fd64(response.fileSize, fd);
        if (!reply)
            ::close(fd);
    } else {
        reply = MHD_create_response_from_buffer(response.body.size(), response.body.data(), MHD_RESPMEM_MUST_COPY);
    }
    if (!reply)
        return MHD_NO;
    MHD_add_response_header(reply, MHD_HTTP_HEADER_CONTENT_TYPE, response.contentType.c_str());
    MHD_add_response_header(reply, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(reply, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    if (response.contentType.compare(0, 9, "text/html") == 0)
        MHD_add_response_header(reply, "Content-Security-Policy",
                                "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; "
                                "frame-ancestors 'none'");
    if (!response.allow.empty())
        MHD_add_response_header(reply, MHD_HTTP_HEADER_ALLOW, response.allow.c_str());
    const enum MHD_Result queued = MHD_queue_response(connection, unsigned(response.status), reply);
    MHD_destroy_response(reply);
    return queued;
}

enum MHD_Result answer(void *cls, struct MHD_Connection *connection, const char *, const char *method,
                       const char *, const char *upload, size_t *uploadSize, void **context)
{
    const auto &host = *static_cast<const WebHost *>(cls);
    auto *exchange = static_cast<Exchange *>(*context);
    if (!exchange)
        return MHD_NO;
    if (!exchange->started) {
        exchange->started = true;
        const char *length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
        if (length && std::strtoull(length, nullptr, 10) > WebHost::kMaxBodyBytes)
            return send(connection, method, *exchange, WebHost::bodyTooLarge());
        return MHD_YES;  // the body, if any, comes in the next calls
    }
    if (*uploadSize > 0) {
        // A chunked body has no length up front: counted as it arrives. An
        // answer can only go once the body is in, so the excess is dropped
        // until then, and a sender that goes on and on is cut off.
        if (exchange->discarded > 0 || exchange->body.size() + *uploadSize > WebHost::kMaxBodyBytes) {
            exchange->discarded += *uploadSize;
            *uploadSize = 0;
            return exchange->discarded > kMaxDiscardedBytes ? MHD_NO : MHD_YES;
        }
        exchange->body.append(upload, *uploadSize);
        *uploadSize = 0;
        return MHD_YES;
    }
    if (exchange->discarded > 0)
        return send(connection, method, *exchange, WebHost::bodyTooLarge());
    const char *type = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_TYPE);
    WebRequest request{method, exchange->target, type ? type : "", std::move(exchange->body)};
    return send(connection, method, *exchange, host.handle(request));
}

}  // namespace

WebServer::WebServer(const WebHost &host) : host_(host) {}

WebServer::~WebServer()
{
    stop();
}

bool WebServer::start(const std::string &address, int port, std::string *error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const int resolved = ::getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (resolved != 0) {
        *error = "cannot resolve " + address + ": " + gai_strerror(resolved);
        return false;
    }
    sockaddr_storage bind{};
    std::memcpy(&bind, found->ai_addr, found->ai_addrlen);
    const bool ipv6 = found->ai_family == AF_INET6;
    ::freeaddrinfo(found);

    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_AUTO | MHD_USE_ERROR_LOG;
    if (ipv6)
        flags |= MHD_USE_IPv6;
    daemon_ = MHD_start_daemon(flags, uint16_t(port), nullptr, nullptr, answer, const_cast<WebHost *>(&host_),
                               MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr *>(&bind),
                               MHD_OPTION_THREAD_POOL_SIZE, kThreads,
                               MHD_OPTION_CONNECTION_LIMIT, kMaxConnections,
                               MHD_OPTION_PER_IP_CONNECTION_LIMIT, kMaxConnectionsPerAddress,
                               MHD_OPTION_CONNECTION_TIMEOUT, kIdleTimeoutSeconds,
                               MHD_OPTION_CONNECTION_MEMORY_LIMIT, kMemoryPerConnection,
                               MHD_OPTION_URI_LOG_CALLBACK, rememberTarget, nullptr,
                               MHD_OPTION_NOTIFY_COMPLETED, forgetExchange, nullptr,
                               MHD_OPTION_END);
    if (!daemon_) {
        *error = "cannot serve the web host on " + address + ":" + std::to_string(port);
        return false;
    }
    const union MHD_DaemonInfo *info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT);
    boundPort_ = info ? info->port : port;
    boundAddress_ = address;
    return true;
}

void WebServer::stop()
{
    if (daemon_) {
        MHD_stop_daemon(daemon_);
        daemon_ = nullptr;
    }
}

}  // namespace cw::service::web
