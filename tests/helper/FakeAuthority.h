#pragma once

#include <string>
#include <vector>

#include "helper/Authorization.h"

namespace tarvex::testing {

// Answers every check with `answer` and records the actions it was asked about.
class FakeAuthority final : public Authority {
public:
    AuthorityAnswer answer = AuthorityAnswer::no;
    std::vector<std::string> asked;

    AuthorityAnswer check(const Caller& /*caller*/, std::string_view action,
                          std::string_view /*message*/) override {
        asked.emplace_back(action);
        return answer;
    }
};

}  // namespace tarvex::testing
