#include "engine/index/PageCodec.h"

#include <cstring>

#include "engine/format/Bytes.h"
#include "engine/index/EntryCodec.h"
#include "engine/index/Page.h"
#include "engine/keys/KeyLayout.h"

namespace kartei {
namespace {

constexpr size_t kTypeAt = 0;
constexpr size_t kCountAt = 1;
constexpr size_t kPrevAt = 3;
constexpr size_t kNextAt = 7;
constexpr size_t kUsedAt = 11;

bool DecodeNodeEntries(const uint8_t* data, int count, TPage& page) {
    const uint16_t keyLength = page.Geometry().KeyLength;
    if (count > NodeCapacity(keyLength)) {
        return false;
    }
    // Straight into place: a node has no disk forms to recompute, and a page miss of a search decodes one.
    page.TakeFixedEntries(data, count, NodeEntrySize(keyLength));
    return true;
}

bool DecodeLeafEntries(const uint8_t* data, int count, TPage& page) {
    const TPageGeometry& geometry = page.Geometry();
    if (geometry.Compression == TCompression::None) {
        if (count > LeafCapacity(geometry.KeyLength)) {
            return false;
        }
        // Whole keys one after another: no form to read.
        page.TakeFixedEntries(data, count, geometry.KeyLength + 4u);
        return true;
    }
    // Every compressed entry takes at least 6 bytes (its record number and two more): a larger count is
    // damage.
    return count <= static_cast<int>(kPageDataSize / 6) && page.TakePackedEntries(data, count);
}

}  // namespace

bool DecodePage(std::span<const uint8_t, kIndexPageSize> block, TPage& page) {
    const uint8_t* p = block.data();
    if (p[kTypeAt] > static_cast<uint8_t>(TPageType::RootLeaf)) {
        return false;
    }
    page.SetType(static_cast<TPageType>(p[kTypeAt]));
    page.SetPrevPage(ReadU32(p + kPrevAt));
    page.SetNextPage(ReadU32(p + kNextAt));
    const int count = ReadU16(p + kCountAt);
    const uint8_t* data = p + kPageHeaderSize;
    return page.IsLeaf() ? DecodeLeafEntries(data, count, page) : DecodeNodeEntries(data, count, page);
}

bool EncodePage(const TPage& page, std::span<uint8_t, kIndexPageSize> block) {
    page.Unpack();
    uint8_t* p = block.data();
    std::memset(p, 0, kIndexPageSize);
    p[kTypeAt] = static_cast<uint8_t>(page.Type());
    WriteU32(p + kPrevAt, page.PrevPage());
    WriteU32(p + kNextAt, page.NextPage());
    if (page.IsFree()) {
        return true;
    }
    if (page.Overfull()) {
        return false;
    }
    WriteU16(p + kCountAt, static_cast<uint16_t>(page.Count()));
    WriteU16(p + kUsedAt, static_cast<uint16_t>(page.UsedBytes()));
    const TPageGeometry& geometry = page.Geometry();
    uint8_t* out = p + kPageHeaderSize;
    for (int k = 1; k <= page.Count(); ++k) {
        if (page.IsLeaf()) {
            out += WriteLeafEntry(geometry, page.Form(k), page.Key(k), page.Value(k), out);
        } else {
            std::memcpy(out, page.Key(k), geometry.KeyLength);
            WriteU32(out + geometry.KeyLength, page.Value(k));
            WriteU32(out + geometry.KeyLength + 4, page.SubtreeCount(k));
            out += NodeEntrySize(geometry.KeyLength);
        }
    }
    return true;
}

}  // namespace kartei
