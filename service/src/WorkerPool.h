#pragma once
// A fixed number of threads for engine runs, so that many finished uploads
// queue for the processor instead of all running at once.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace cw::service {

class WorkerPool {
public:
    explicit WorkerPool(int threads);
    ~WorkerPool();  // runs what is queued, then joins

    void submit(std::function<void()> task);
    int size() const { return int(threads_.size()); }

private:
    void loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace cw::service
