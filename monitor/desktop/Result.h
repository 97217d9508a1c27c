#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace tarvex {

// What an action that can fail answers: done, or why not, in words for the user.
class Result {
public:
    Result() = default;  // done
    static Result failure(QString reason) { return Result(std::move(reason)); }

    bool ok() const { return !reason_.has_value(); }
    // Why it failed; empty when it did not.
    QString reason() const { return reason_.value_or(QString()); }

private:
    explicit Result(QString reason) : reason_(std::move(reason)) {}

    std::optional<QString> reason_;
};

}  // namespace tarvex
