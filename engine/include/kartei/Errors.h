#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/DatabaseError.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

// One entry of an engine error: the code and its composed text (without the "Kartei Engine Error #" prefix).
struct TKarteiError {
    int32_t ErrorCode = 0;
    std::string Message;
};

// Every failure inside the table engine. The message is "Kartei Engine Error # <code> <text>", composed
// from the message table and the process-wide error context at the time of construction.
class EKarteiEngineError : public EDatabaseError {
public:
    explicit EKarteiEngineError(uint16_t code);

    int ErrorCount() const { return static_cast<int>(errors_.size()); }
    const TKarteiError& Errors(int index) const { return errors_.at(static_cast<size_t>(index)); }
    // The code of the first entry: the one the exception was raised for.
    uint16_t ErrorCode() const { return static_cast<uint16_t>(errors_.front().ErrorCode); }

private:
    std::vector<TKarteiError> errors_;
};

// Raises EKarteiEngineError for the code, its message naming the table (with ".DAT") and, where the
// message has places for them, the field, the extra text and the index.
[[noreturn]] void RaiseKarteiError(uint16_t code, std::string_view tableName, std::string_view fieldName = {},
                                   std::string_view extraText = {}, std::string_view indexName = {});

}  // namespace kartei
