#pragma once

#include <exception>
#include <string>

namespace kartei {

// A value that does not convert to the requested kind: a text that is no number, date or boolean, a
// number out of range, a variant of the wrong kind. Messages are single-byte (cp1252) text.
class EConvertError : public std::exception {
public:
    explicit EConvertError(std::string message) : message_(std::move(message)) {}

    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

}  // namespace kartei
