#pragma once

#include <exception>
#include <string>

namespace kartei {

// Misuse of datasets, sessions and databases; the base of every engine error too.
// Messages are single-byte (cp1252) text, held as bytes.
class EDatabaseError : public std::exception {
public:
    explicit EDatabaseError(std::string message) : message_(std::move(message)) {}

    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

protected:
    void SetMessage(std::string message) { message_ = std::move(message); }

private:
    std::string message_;
};

}  // namespace kartei
