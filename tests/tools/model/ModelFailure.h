#pragma once

#include <stdexcept>
#include <string>

namespace kartei::tools::model {

// The engine disagreed with the model: what was expected and what was found.
class TModelFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raises a TModelFailure unless `holds`; the message is only built for a failure.
template <typename Message>
void Expect(bool holds, Message&& message) {
    if (!holds) {
        throw TModelFailure(message());
    }
}

}  // namespace kartei::tools::model
