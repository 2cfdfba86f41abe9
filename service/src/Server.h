#pragma once
// Accepts connections and gives each its own thread: one request per
// connection, so a slow or hostile peer only ever holds up itself, and only
// as many slots as one address may have, each for a bounded time.

#include "AccountService.h"
#include "AccountStore.h"
#include "ConnectionLimits.h"
#include "UploadSpool.h"
#include "WorkerPool.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

namespace cw::service {

struct ServerParts {
    AccountService &accounts;
    AccountStore &store;
    UploadSpool &spool;
    WorkerPool &engines;
};

class Server {
public:
    Server(ServerParts parts, ConnectionLimits limits, std::atomic<bool> &stopping);
    ~Server();

    bool listen(const std::string &address, int port, std::string *error);
    const std::string &boundAddress() const { return boundAddress_; }
    int boundPort() const { return boundPort_; }

    // Serves until `wakeFd` becomes readable (the signal handler writes to
    // it), then waits for every connection to finish.
    void run(int wakeFd);

private:
    void serve(int fd, const std::string &peer);
    void acceptOne();
    void leave(const std::string &peer);

    ServerParts parts_;
    const ConnectionLimits limits_;
    std::atomic<bool> &stopping_;
    int listenFd_ = -1;
    std::string boundAddress_;
    int boundPort_ = 0;
    std::mutex mutex_;
    std::condition_variable idle_;
    PeerSlots slots_;
};

}  // namespace cw::service
