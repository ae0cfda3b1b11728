#include "tools/model/ModelOperation.h"

namespace kartei::tools::model {

std::string Describe(std::span<const TFieldDescriptor> fields, const TModelOperation& operation) {
    std::string text;
    switch (operation.Kind) {
        case TOperationKind::Insert:
            text = "insert " + Describe(fields, operation.Expected);
            break;
        case TOperationKind::Modify:
            text = "modify " + Describe(fields, operation.Expected);
            break;
        case TOperationKind::Delete:
            text = "delete " + Describe(fields, operation.Expected);
            break;
        case TOperationKind::Empty:
            text = "empty";
            break;
    }
    if (operation.ExpectedError != 0) {
        text += " -> " + std::to_string(operation.ExpectedError);
    }
    return text;
}

}  // namespace kartei::tools::model
