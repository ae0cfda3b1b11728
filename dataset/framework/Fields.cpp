#include "dataset/framework/Fields.h"

#include "dataset/framework/Names.h"

namespace kartei {

TField* TFields::FindField(std::string_view name) const {
    for (const auto& field : fields_) {
        if (SameName(field->FieldName(), name)) {
            return field.get();
        }
    }
    return nullptr;
}

void TFields::Add(std::unique_ptr<TField> field) {
    field->index_ = Count();
    fields_.push_back(std::move(field));
}

}  // namespace kartei
