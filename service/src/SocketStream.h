#pragma once
// One client connection: non-blocking socket, every wait bounded. A peer
// that sends nothing for the idle limit is dropped, and so is one still
// sending when the deadline of what it is sending has passed; waits also end
// early when the service stops or the connection is asked to let go.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>

namespace cw::service {

enum class IoResult { Ok, Closed, Stalled, Expired, Stopped, Failed };
const char *ioResultText(IoResult result);

class SocketStream {
public:
    SocketStream(int fd, const std::atomic<bool> &stopping,
                 std::chrono::milliseconds idleLimit = std::chrono::seconds(60));
    ~SocketStream();
    SocketStream(const SocketStream &) = delete;
    SocketStream &operator=(const SocketStream &) = delete;

    // A second reason to give up waiting (another connection took the upload over).
    void setAbandonFlag(const std::atomic<bool> *flag) { abandon_ = flag; }

    // Reads and writes fail with Expired from `deadline` on, however
    // steadily bytes come and go; until it is moved or cleared.
    void setDeadline(std::chrono::steady_clock::time_point deadline) { deadline_ = deadline; }
    void setDeadlineIn(std::chrono::milliseconds left) { deadline_ = std::chrono::steady_clock::now() + left; }
    void clearDeadline() { deadline_ = std::chrono::steady_clock::time_point::max(); }

    IoResult readExact(void *buffer, size_t size);
    // At least one byte, at most `size`.
    IoResult readSome(void *buffer, size_t size, size_t *got);
    // What already arrived, without waiting: Ok with *got > 0, Ok with
    // *got == 0 when nothing is pending, Closed at the end of the stream.
    IoResult readPending(void *buffer, size_t size, size_t *got);
    IoResult writeAll(const void *data, size_t size);
    IoResult writeAll(const std::string &data) { return writeAll(data.data(), data.size()); }
    // Waits up to `wait` for the peer to hang up; stray input is discarded.
    // Ok when the peer is still there afterwards.
    IoResult watchPeer(std::chrono::milliseconds wait);

private:
    enum class Direction { In, Out };
    IoResult waitFor(Direction direction, std::chrono::steady_clock::time_point idleDeadline);
    bool shouldStop() const;

    int fd_;
    const std::atomic<bool> &stopping_;
    const std::atomic<bool> *abandon_ = nullptr;
    std::chrono::milliseconds idleLimit_;
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
};

}  // namespace cw::service
