#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/format/FieldDescriptor.h"
#include "tools/model/ModelRecord.h"

namespace kartei::tools::model {

enum class TOperationKind { Insert, Modify, Delete, Empty };

// One change of the workload, with what the model expects of it.
struct TModelOperation {
    TOperationKind Kind = TOperationKind::Insert;
    // The record changed or deleted.
    int32_t TargetId = 0;
    // The new values of an insert or a change.
    std::vector<TModelValue> Values;
    // 0, or the error the engine must raise, changing nothing.
    uint16_t ExpectedError = 0;
    // The record an insert or a change leaves (identifier, record number, values, image); the one a
    // deletion removes.
    TModelRecord Expected;
};

// "insert #7 id 12 {...} -> 9729" and the like, for the log of a run.
std::string Describe(std::span<const TFieldDescriptor> fields, const TModelOperation& operation);

}  // namespace kartei::tools::model
