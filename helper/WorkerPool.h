#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>

namespace tarvex {

struct WorkerPoolState;

// At most `maxThreads` threads run submitted tasks; tasks beyond them wait in order. Threads are
// started when a task finds none idle and leave when more than `idleKept` are idle, so an idle
// helper holds almost none. Threads keep the pool's state alive, so they may outlive the pool.
class WorkerPool {
public:
    using Task = std::function<void()>;

    WorkerPool(std::size_t maxThreads, std::size_t stackSize, std::size_t idleKept);
    ~WorkerPool();  // lets threads leave once the queue is empty; does not wait for them
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // False when no thread could be started for it and none is there to run it later.
    bool submit(Task task);

    // Waits until every thread has left after `shutdown`, at most until `deadline`.
    void shutdown();
    bool waitUntilGone(std::chrono::steady_clock::time_point deadline);

private:
    std::shared_ptr<WorkerPoolState> state_;
};

}  // namespace tarvex
