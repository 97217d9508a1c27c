#include "helper/StatusMerger.h"

namespace tarvex {

bool StatusMerger::request(Id id) {
    if (running_) {
        next_.push_back(id);
        return false;
    }
    running_ = true;
    current_.push_back(id);
    return true;
}

bool StatusMerger::finish(std::vector<Id>& answered) {
    answered.swap(current_);
    current_.clear();
    current_.swap(next_);
    running_ = !current_.empty();
    return running_;
}

}  // namespace tarvex
