#pragma once

namespace kartei {

// The data types of fields. ftADT, ftArray, ftReference and ftDataSet can be described by field
// definitions but get no field object.
enum class TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftTypedBinary,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
};

// Where a field's value comes from: the stored record, or computed.
enum class TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

}  // namespace kartei
