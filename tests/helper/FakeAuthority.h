#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "helper/Authorization.h"

namespace tarvex::testing {

// Answers every check with `answer` and records the actions it was asked about. With `hold`,
// each check waits until `release()`, as one whose password nobody types would.
class FakeAuthority final : public Authority {
public:
    AuthorityAnswer answer = AuthorityAnswer::no;
    bool hold = false;
    std::vector<std::string> asked;

    AuthorityAnswer check(const Caller& /*caller*/, std::string_view action,
                          std::string_view /*message*/) override {
        std::unique_lock lock(mutex_);
        asked.emplace_back(action);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !hold; });
        --waiting_;
        return answer;
    }
    int waiting() {
        std::lock_guard lock(mutex_);
        return waiting_;
    }
    void release() {
        std::lock_guard lock(mutex_);
        hold = false;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;
};

}  // namespace tarvex::testing
