#include "dataset/framework/BlobField.h"

#include "dataset/framework/DataSet.h"

namespace kartei {

TBlobField::TBlobField(TDataSet& dataSet, const TFieldDef& def)
    : TField(dataSet, def, TAlignment::taLeftJustify, 10) {}

TVariant TBlobField::Value() const {
    return IsNull() ? TVariant() : TVariant(DataSet().GetBlobContents(*this));
}

std::string TBlobField::AsString() const {
    return IsNull() ? std::string() : DataSet().GetBlobContents(*this);
}

void TBlobField::SetAsString(std::string_view text) {
    BeginWrite();
    DataSet().SetBlobContents(*this, text);
    EndWrite();
}

std::string TBlobField::DisplayText() const {
    const bool isNull = IsNull();
    switch (DataType()) {
        case TFieldType::ftMemo:
        case TFieldType::ftFmtMemo:
            return isNull ? "(Memo)" : "(MEMO)";
        case TFieldType::ftGraphic:
            return isNull ? "(Graphic)" : "(GRAPHIC)";
        default:
            return isNull ? "(Blob)" : "(BLOB)";
    }
}

}  // namespace kartei
