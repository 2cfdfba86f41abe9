#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Wire helpers shared by the tests.
std::string encodeFrame(uint32_t kind, int32_t status, uint32_t hasBody, uint32_t length,
                        const std::string &body = std::string());
// A reply carrying body, its length in the header.
std::string replyFrame(uint32_t kind, int32_t status, const std::string &body);

struct ReceivedFrame {
    uint32_t magic = 0, version = 0, kind = 0;
    int32_t status = 0;
    uint32_t hasBody = 0, length = 0;
    std::string header; // the 24 raw bytes
    std::string body;
};

class FakeService;

// One accepted connection as a script sees it; everything read is recorded.
class FakeConnection {
public:
    FakeConnection(int fd, FakeService &service) : fd_(fd), service_(service) {}
    std::string readExactly(size_t n);   // shorter when the client closes
    ReceivedFrame readFrame();
    void send(const std::string &bytes); // ignores a client that went away
    void closeWithReset();               // RST instead of an orderly close
    void shutdownWrite();                // FIN now, keep reading
    void waitForRelease();               // blocks until the test calls release()
    const std::string &received() const { return received_; }
    int fd() const { return fd_; }

private:
    int fd_;
    FakeService &service_;
    std::string received_;
};

// A service on 127.0.0.1 (ephemeral port) that runs one script per accepted
// connection, in order, on its own thread.
class FakeService {
public:
    using Script = std::function<void(FakeConnection &)>;
    explicit FakeService(std::vector<Script> scripts, int receiveBuffer = 0);
    ~FakeService();
    unsigned port() const { return port_; }
    // Waits for the scripts to finish; returns the bytes each connection sent.
    std::vector<std::string> finish();
    void release();
    int accepted() const { return accepted_; }

private:
    friend class FakeConnection;
    void run(std::vector<Script> scripts);
    int listenFd_ = -1;
    unsigned port_ = 0;
    int accepted_ = 0;
    std::thread thread_;
    std::vector<std::string> received_;
    std::promise<void> releasePromise_;
    std::shared_future<void> released_;
    bool releasedOnce_ = false;
    bool finished_ = false;
    std::atomic<bool> stopping_{false};
};

// A port on 127.0.0.1 where nothing listens.
unsigned closedPort();
