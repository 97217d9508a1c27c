#pragma once

#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "helper/Authorization.h"

namespace tarvex::testing {

// Answers every check with `answer` and records the actions it was asked about. While `hold`
// is set, each check first waits for it, as one whose password nobody types would.
class FakeAuthority final : public Authority {
public:
    AuthorityAnswer answer = AuthorityAnswer::no;
    std::shared_future<void> hold;
    std::vector<std::string> asked;

    AuthorityAnswer check(const Caller& /*caller*/, std::string_view action,
                          std::string_view /*message*/) override {
        {
            std::lock_guard lock(mutex_);  // checks may run on several threads at once
            asked.emplace_back(action);
        }
        if (hold.valid()) {
            hold.wait();
        }
        return answer;
    }

private:
    std::mutex mutex_;
};

}  // namespace tarvex::testing
