#include "dataset/framework/FieldFactory.h"

#include "dataset/framework/BCDField.h"
#include "dataset/framework/BlobField.h"
#include "dataset/framework/BooleanField.h"
#include "dataset/framework/BytesField.h"
#include "dataset/framework/DateTimeField.h"
#include "dataset/framework/FloatField.h"
#include "dataset/framework/IntegerField.h"
#include "dataset/framework/StringField.h"

namespace kartei {

std::unique_ptr<TField> CreateField(TDataSet& dataSet, const TFieldDef& def) {
    switch (def.DataType) {
        case TFieldType::ftString:
            return std::make_unique<TStringField>(dataSet, def);
        case TFieldType::ftSmallint:
            return std::make_unique<TSmallintField>(dataSet, def);
        case TFieldType::ftInteger:
            return std::make_unique<TIntegerField>(dataSet, def);
        case TFieldType::ftWord:
            return std::make_unique<TWordField>(dataSet, def);
        case TFieldType::ftAutoInc:
            return std::make_unique<TAutoIncField>(dataSet, def);
        case TFieldType::ftLargeint:
            return std::make_unique<TLargeintField>(dataSet, def);
        case TFieldType::ftBoolean:
            return std::make_unique<TBooleanField>(dataSet, def);
        case TFieldType::ftFloat:
            return std::make_unique<TFloatField>(dataSet, def);
        case TFieldType::ftCurrency:
            return std::make_unique<TCurrencyField>(dataSet, def);
        case TFieldType::ftBCD:
            return std::make_unique<TBCDField>(dataSet, def);
        case TFieldType::ftDate:
            return std::make_unique<TDateField>(dataSet, def);
        case TFieldType::ftTime:
            return std::make_unique<TTimeField>(dataSet, def);
        case TFieldType::ftDateTime:
            return std::make_unique<TDateTimeField>(dataSet, def);
        case TFieldType::ftBytes:
            return std::make_unique<TBytesField>(dataSet, def);
        case TFieldType::ftVarBytes:
            return std::make_unique<TVarBytesField>(dataSet, def);
        case TFieldType::ftBlob:
        case TFieldType::ftGraphic:
        case TFieldType::ftTypedBinary:
            return std::make_unique<TBlobField>(dataSet, def);
        case TFieldType::ftMemo:
        case TFieldType::ftFmtMemo:
            return std::make_unique<TMemoField>(dataSet, def);
        case TFieldType::ftUnknown:
        case TFieldType::ftADT:
        case TFieldType::ftArray:
        case TFieldType::ftReference:
        case TFieldType::ftDataSet:
            return nullptr;
    }
    return nullptr;
}

}  // namespace kartei
