#include "tools/model/ModelOrder.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "kartei/Field.h"
#include "engine/keys/KeyBuilder.h"
#include "engine/keys/KeyCompare.h"
#include "engine/keys/KeyPadding.h"

namespace kartei::tools::model {
namespace {

constexpr size_t kWhole = std::numeric_limits<size_t>::max();

template <typename T>
int Sign(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Unsigned byte order; a proper prefix sorts first, as the zero bytes after a string do.
int CompareBytes(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

TIndexOrder::TIndexOrder(TDataTableImpl& table, int slot)
    : slot_(slot),
      layout_(table.KeyLayout(slot)),
      descriptors_(table.Fields().begin(), table.Fields().end()) {
    const TIndexDescriptor& descriptor = table.IndexFile().Descriptor(slot);
    for (int k = 0; k < descriptor.FieldCount; ++k) {
        fields_.push_back(descriptor.FieldNumbers[static_cast<size_t>(k)] - 1u);
    }
    byValue_ = layout_.Locale.LanguageId == 0 && !layout_.CaseInsensitive;
}

bool TIndexOrder::IsString(int position) const {
    return descriptors_[fields_[static_cast<size_t>(position)]].FieldType == FieldType::String;
}

int TIndexOrder::StringSize(int position) const {
    return descriptors_[fields_[static_cast<size_t>(position)]].Size;
}

int TIndexOrder::CompareField(int position, const TModelRecord& a, const TModelRecord& b,
                              size_t prefix) const {
    const size_t field = fields_[static_cast<size_t>(position)];
    if (!descriptors_[field].IsStored()) {
        return Sign(a.Id, b.Id);
    }
    const TModelValue& x = a.Values[field];
    const TModelValue& y = b.Values[field];
    if (x.Null || y.Null) {
        return Sign(!x.Null, !y.Null);
    }
    switch (descriptors_[field].FieldType) {
        case FieldType::Integer:
        case FieldType::SmallInt:
            return Sign(x.Number, y.Number);
        default:
            return CompareBytes(std::string_view(x.Bytes).substr(0, prefix),
                                std::string_view(y.Bytes).substr(0, prefix));
    }
}

int TIndexOrder::CompareValues(const TModelRecord& a, const TModelRecord& b, int fields,
                               int partialLength) const {
    // Without a locale a descending index ignores its fields' own flags: it reverses the whole.
    const auto directed = [&](int c, bool fieldDescending) {
        return layout_.Descending || fieldDescending ? -c : c;
    };
    for (int k = 0; k < fields; ++k) {
        const int c = CompareField(k, a, b, kWhole);
        if (c != 0) {
            return directed(c, layout_.Fields[static_cast<size_t>(k)].Descending);
        }
    }
    if (partialLength > 0 && fields < FieldCount()) {
        const int c = CompareField(fields, a, b, static_cast<size_t>(partialLength));
        return directed(c, layout_.Fields[static_cast<size_t>(fields)].Descending);
    }
    return 0;
}

std::vector<uint8_t> TIndexOrder::KeyOf(const TModelRecord& record) const {
    std::vector<uint8_t> key(layout_.KeyLength);
    BuildKey(layout_, record.Image.data(), key.data());
    return key;
}

size_t TIndexOrder::UsedLength(int fields, int partialLength) const {
    size_t used = 0;
    for (int k = 0; k < fields; ++k) {
        used += layout_.Fields[static_cast<size_t>(k)].DataWidth + 1u;
    }
    if (partialLength > 0 && fields < FieldCount()) {
        used += static_cast<size_t>(partialLength) + 1;
    }
    return used;
}

int TIndexOrder::Compare(const TModelRecord& a, const TModelRecord& b) const {
    if (!byValue_) {
        return CompareKeys(layout_, KeyOf(a).data(), KeyOf(b).data(), layout_.KeyLength);
    }
    const int c = CompareValues(a, b, FieldCount(), 0);
    if (c != 0 || layout_.Unique) {
        return c;
    }
    return layout_.Descending ? -Sign(a.Id, b.Id) : Sign(a.Id, b.Id);
}

int TIndexOrder::SuppliedFields(int fieldCount, int partialLength) const {
    return fieldCount == 0 ? (partialLength > 0 ? 0 : FieldCount()) : std::min(fieldCount, FieldCount());
}

int TIndexOrder::ComparePrefix(const TModelRecord& entry, const TModelRecord& probe, int fieldCount,
                               int partialLength) const {
    const int fields = SuppliedFields(fieldCount, partialLength);
    if (byValue_) {
        return CompareValues(entry, probe, fields, partialLength);
    }
    return CompareKeys(layout_, KeyOf(entry).data(), KeyOf(probe).data(), UsedLength(fields, partialLength));
}

int TIndexOrder::CompareSearchKey(const TModelRecord& entry, const TModelRecord& probe, int fieldCount,
                                  int partialLength) const {
    if (byValue_) {
        return ComparePrefix(entry, probe, fieldCount, partialLength);
    }
    std::vector<uint8_t> key = KeyOf(probe);
    const size_t used = UsedLength(SuppliedFields(fieldCount, partialLength), partialLength);
    // The lowest in the index's order: a descending index pads high.
    if (layout_.Descending) {
        PadKeyHigh(layout_, key.data(), used);
    } else {
        PadKeyLow(layout_, key.data(), used);
    }
    return CompareKeys(layout_, KeyOf(entry).data(), key.data(), layout_.KeyLength);
}

std::vector<const TModelRecord*> TIndexOrder::Sorted(const std::vector<const TModelRecord*>& records) const {
    std::vector<const TModelRecord*> sorted = records;
    if (byValue_) {
        std::sort(sorted.begin(), sorted.end(),
                  [&](const TModelRecord* a, const TModelRecord* b) { return Compare(*a, *b) < 0; });
        return sorted;
    }
    // Each key built once.
    std::vector<std::pair<std::vector<uint8_t>, const TModelRecord*>> keyed;
    for (const TModelRecord* record : records) {
        keyed.emplace_back(KeyOf(*record), record);
    }
    std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        return CompareKeys(layout_, a.first.data(), b.first.data(), layout_.KeyLength) < 0;
    });
    for (size_t k = 0; k < keyed.size(); ++k) {
        sorted[k] = keyed[k].second;
    }
    return sorted;
}

}  // namespace kartei::tools::model
