#include "helper/WorkerPool.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>

namespace tarvex {

struct WorkerPoolState {
    std::size_t maxThreads;
    std::size_t stackSize;
    std::size_t idleKept;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<WorkerPool::Task> tasks;
    std::size_t threads = 0;
    std::size_t idle = 0;
    bool closing = false;
};

namespace {

void* workerMain(void* argument) {
    auto* owned = static_cast<std::shared_ptr<WorkerPoolState>*>(argument);
    const std::shared_ptr<WorkerPoolState> state = std::move(*owned);
    delete owned;
    std::unique_lock lock(state->mutex);
    for (;;) {
        ++state->idle;
        state->changed.wait(lock, [&] { return !state->tasks.empty() || state->closing; });
        --state->idle;
        if (state->tasks.empty()) {
            break;  // closing
        }
        WorkerPool::Task task = std::move(state->tasks.front());
        state->tasks.pop_front();
        lock.unlock();
        try {
            task();
        } catch (...) {
            // Out of memory inside a task: the task answers nothing more, the worker goes on.
        }
        task = nullptr;
        lock.lock();
        if (state->idle >= state->idleKept && state->tasks.empty()) {
            break;
        }
    }
    --state->threads;
    state->changed.notify_all();
    return nullptr;
}

bool startThread(const std::shared_ptr<WorkerPoolState>& state) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
        return false;
    }
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attributes, state->stackSize);
    auto* argument = new (std::nothrow) std::shared_ptr<WorkerPoolState>(state);
    pthread_t thread;
    const bool started =
        argument != nullptr && pthread_create(&thread, &attributes, &workerMain, argument) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) {
        delete argument;
    }
    return started;
}

}  // namespace

WorkerPool::WorkerPool(std::size_t maxThreads, std::size_t stackSize, std::size_t idleKept)
    : state_(std::make_shared<WorkerPoolState>()) {
    state_->maxThreads = maxThreads;
    state_->stackSize = stackSize;
    state_->idleKept = idleKept;
}

WorkerPool::~WorkerPool() {
    shutdown();
}

bool WorkerPool::submit(Task task) {
    std::lock_guard lock(state_->mutex);
    state_->tasks.push_back(std::move(task));
    if (state_->idle < state_->tasks.size() && state_->threads < state_->maxThreads) {
        if (startThread(state_)) {
            ++state_->threads;
        } else if (state_->threads == 0) {
            state_->tasks.pop_back();
            return false;
        }
    }
    state_->changed.notify_one();
    return true;
}

void WorkerPool::shutdown() {
    std::lock_guard lock(state_->mutex);
    state_->closing = true;
    state_->changed.notify_all();
}

bool WorkerPool::waitUntilGone(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_until(lock, deadline, [&] { return state_->threads == 0; });
}

}  // namespace tarvex
