#pragma once

#include <string>
#include <utility>

namespace qv2omg {

// The outcome of a writer or parser operation: success, or a message for the user.
class Status {
public:
    static Status Ok() { return Status(); }
    static Status Failure(std::string message) { return Status(std::move(message)); }

    bool IsOk() const { return message_.empty(); }
    const std::string& Message() const { return message_; }

private:
    Status() = default;
    explicit Status(std::string message) : message_(std::move(message))
    {
        if (message_.empty())
            message_ = "failed";
    }

    std::string message_;
};

} // namespace qv2omg
