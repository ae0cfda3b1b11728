#pragma once

#include <functional>
#include <string>

#include "base/DatabaseError.h"

namespace kartei {

// The message of the error of type E that the action raises, or "(nothing raised)".
template <typename E = EDatabaseError>
std::string RaisedMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    }
    return "(nothing raised)";
}

}  // namespace kartei
