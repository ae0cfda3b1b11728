#include "engine/blob/OpenBlobList.h"

#include <algorithm>

#include "engine/errors/ErrorCodes.h"
#include "engine/errors/ErrorContext.h"

namespace kartei {

int32_t TOpenBlobList::Open(TBlobFile& file, TBlobReference reference, uint16_t fieldNumber) {
    const auto free = std::find(open_.begin(), open_.end(), false);
    if (free == open_.end()) {
        RaiseKarteiError(ErrorCode::TooManyOpenBlobs, tableName_);
    }
    const size_t slot = static_cast<size_t>(free - open_.begin());
    TOpenBlob& blob = blobs_[slot];
    blob.Length = file.ReadBlob(reference, blob.Contents);
    blob.Source = reference;
    blob.FieldNumber = fieldNumber;
    blob.Modified = false;
    open_[slot] = true;
    return -static_cast<int32_t>(slot) - 1;
}

size_t TOpenBlobList::SlotOf(int32_t handle) const {
    const int64_t slot = -int64_t{handle} - 1;
    if (slot < 0 || slot >= kMaxOpenBlobs || !open_[static_cast<size_t>(slot)]) {
        RaiseKarteiError(ErrorCode::InvalidBlobHandle, tableName_);
    }
    return static_cast<size_t>(slot);
}

TOpenBlob& TOpenBlobList::Get(int32_t handle) {
    return blobs_[SlotOf(handle)];
}

void TOpenBlobList::Close(int32_t handle) {
    open_[SlotOf(handle)] = false;
}

int TOpenBlobList::OpenCount() const {
    return static_cast<int>(std::count(open_.begin(), open_.end(), true));
}

}  // namespace kartei
