#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/files/FileTestSupport.h"
#include "engine/format/Bytes.h"
#include "engine/format/FieldDescriptor.h"
#include "engine/format/RecordLayout.h"
#include "engine/index/IndexDefinition.h"
#include "engine/index/IndexFile.h"
#include "engine/index/IndexKeyLayout.h"
#include "engine/index/IndexTree.h"
#include "kartei/Field.h"

namespace kartei::test {

using TBytes = std::vector<uint8_t>;

// The table the index tests work on. Field numbers: 1 Name String(24), 2 Number Integer, 3 Id
// auto-increment, 4 Memo Blob, 5 Code String(6), 6 Long String(250), 7 Tail String(250), 8 Amount Float.
inline std::vector<TFieldDescriptor> TestFields() {
    std::vector<TFieldDescriptor> fields = {
        TFieldDescriptor::Define("Name", FieldType::String, 24),
        TFieldDescriptor::Define("Number", FieldType::Integer),
        TFieldDescriptor::Define("Id", FieldType::Integer, 0, FieldSubtype::AutoIncrement),
        TFieldDescriptor::Define("Memo", FieldType::Blob),
        TFieldDescriptor::Define("Code", FieldType::String, 6),
        TFieldDescriptor::Define("Long", FieldType::String, 250),
        TFieldDescriptor::Define("Tail", FieldType::String, 250),
        TFieldDescriptor::Define("Amount", FieldType::Float)};
    LayOutFields(fields, "T");
    return fields;
}

inline TIndexDefinition Definition(const std::string& name, std::vector<TIndexField> fields,
                                   bool unique = false, TCompression compression = TCompression::None,
                                   bool descending = false) {
    TIndexDefinition definition;
    definition.Name = name;
    definition.Fields = std::move(fields);
    definition.Unique = unique;
    definition.Compression = compression;
    definition.Descending = descending;
    return definition;
}

// A key of a one-field integer index (K = 5): flag byte and the big-endian value with its top bit inverted.
inline TBytes IntKey(int32_t value) {
    const uint32_t encoded = static_cast<uint32_t>(value) ^ 0x80000000u;
    return TBytes{1, static_cast<uint8_t>(encoded >> 24), static_cast<uint8_t>(encoded >> 16),
                  static_cast<uint8_t>(encoded >> 8), static_cast<uint8_t>(encoded)};
}

inline TKeyLayout IntLayout(bool descending = false) {
    TKeyLayout layout;
    layout.FieldCount = 1;
    layout.Fields[0].Type = FieldType::Integer;
    layout.Fields[0].DataWidth = 4;
    layout.Fields[0].RecordOffset = 9;
    layout.Descending = descending;
    layout.KeyLength = 5;
    return layout;
}

// An index file in a scratch folder, created with an empty header and named "T" in errors.
class TIndexFileFixture : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("T.IDX");
        file_.Context().TableName = "T";
        file_.Create(path_);
    }

    // Closes and opens the file again: what is on disk is what counts.
    void Reopen() {
        file_.Close();
        file_.Open(path_, false);
    }

    std::string Bytes() const { return testing::ReadBytes(path_); }
    void Patch(size_t offset, const std::vector<uint8_t>& bytes) {
        std::fstream out(path_, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(static_cast<std::streamoff>(offset));
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<uint8_t> U32(uint32_t value) {
        std::vector<uint8_t> bytes(4);
        WriteU32(bytes.data(), value);
        return bytes;
    }

    testing::TTempDir dir_;
    std::string path_;
    TIndexFile file_;
};

// The same, with a unique secondary index on the Number field.
class TNumberIndexFixture : public TIndexFileFixture {
protected:
    void SetUp() override {
        TIndexFileFixture::SetUp();
        fields_ = TestFields();
        slot_ = AddSecondaryIndex(file_, Definition("Num", {{2}}, true), fields_);
        layout_ = MakeKeyLayout(file_.Descriptor(slot_), slot_, fields_, TKeyLocale(), "T");
    }

    std::vector<TFieldDescriptor> fields_;
    int slot_ = 0;
    TKeyLayout layout_;
};

}  // namespace kartei::test
