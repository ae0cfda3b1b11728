#pragma once

#include <gtest/gtest.h>

#include <string>

#include "kartei/Errors.h"

namespace kartei {

// Runs `action` and checks that it raises the engine error `code` with exactly `message` as its text.
template <class Action>
void ExpectKarteiError(Action&& action, uint16_t code, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "expected engine error " << code;
    } catch (const EKarteiEngineError& error) {
        EXPECT_EQ(error.ErrorCode(), code);
        EXPECT_EQ(std::string(error.what()), message);
    }
}

}  // namespace kartei
