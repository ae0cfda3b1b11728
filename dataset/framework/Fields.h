#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "dataset/framework/Field.h"

namespace kartei {

// The field objects of a dataset, in order; the dataset owns them.
class TFields {
public:
    int Count() const { return static_cast<int>(fields_.size()); }
    TField& operator[](int index) const { return *fields_.at(static_cast<size_t>(index)); }
    // The field of that name (without regard to case), or none.
    TField* FindField(std::string_view name) const;

    void Add(std::unique_ptr<TField> field);
    void Clear() { fields_.clear(); }

private:
    std::vector<std::unique_ptr<TField>> fields_;
};

}  // namespace kartei
