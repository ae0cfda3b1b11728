// TDataCursorImpl: blobs read into memory under handles, edited there, and stored with their record.
#include <algorithm>
#include <limits>
#include <vector>

#include "engine/cursor/CursorAccess.h"
#include "engine/errors/ErrorContext.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Field.h"
#include "kartei/Record.h"

namespace kartei {
namespace {

// The longest contents the first block's length field can record.
constexpr size_t kMaxBlobLength = static_cast<size_t>(std::numeric_limits<int32_t>::max());

// A reference back into its field; offset 0 (no contents) is a null field, as the table stores it.
void PutReference(std::span<uint8_t> record, const TFieldDescriptor& field, TBlobReference reference) {
    if (reference.Offset == 0) {
        SetFieldNull(record, field);
    } else {
        SetBlobField(record, field, reference);
    }
}

}  // namespace

void TDataCursorImpl::CheckBlobImage(std::span<const uint8_t> record) const {
    CheckOpen();
    if (record.size() != record_.size()) {
        RaiseKarteiError(ErrorCode::RecordBuffersCorrupt, table_->Name());
    }
}

TDataCursorImpl::TBlobInImage TDataCursorImpl::BlobInImage(std::span<const uint8_t> record,
                                                           const TFieldDescriptor& field) {
    CheckBlobImage(record);
    const TFieldDescriptor& own = table_->OwnBlobField(field);
    // A block offset, or a handle that is not open, is refused by the list.
    const int32_t handle = GetBlobField(record, own).Offset;
    TOpenBlob& blob = openBlobs_->Get(handle);
    // A handle copied into another field must not store its contents there.
    if (blob.FieldNumber != own.FieldNumber) {
        RaiseKarteiError(ErrorCode::InvalidBlobHandle, table_->Name());
    }
    return {own, handle, blob};
}

int32_t TDataCursorImpl::OpenBlob(std::span<uint8_t> record, const TFieldDescriptor& field) {
    CheckBlobImage(record);
    const TFieldDescriptor& own = table_->OwnBlobField(field);
    const TBlobReference reference = GetBlobField(record, own);
    if (reference.Offset < 0) {
        // A handle, never a block offset: this cursor's for the field, or InvalidBlobHandle.
        return BlobInImage(record, own).Handle;
    }
    const TAccess access(*this);
    const TBlobReference source = IsFieldNull(record, own) ? TBlobReference{} : reference;
    const int32_t handle = openBlobs_->Open(*table_->BlobFile(), source, own.FieldNumber);
    SetBlobField(record, own, {handle, reference.BlobId});
    return handle;
}

size_t TDataCursorImpl::BlobSize(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    return BlobInImage(record, field).Blob.Length;
}

size_t TDataCursorImpl::ReadBlob(std::span<const uint8_t> record, const TFieldDescriptor& field,
                                 size_t offset, std::span<uint8_t> out) {
    const TOpenBlob& blob = BlobInImage(record, field).Blob;
    if (offset > blob.Length) {
        RaiseKarteiError(ErrorCode::InvalidBlobOffset, table_->Name());
    }
    const size_t count = std::min(out.size(), blob.Length - offset);
    // An empty blob may have no buffer at all.
    if (count > 0) {
        std::copy_n(blob.Contents.Data() + offset, count, out.begin());
    }
    return count;
}

void TDataCursorImpl::WriteBlob(std::span<const uint8_t> record, const TFieldDescriptor& field, size_t offset,
                                std::span<const uint8_t> data) {
    TOpenBlob& blob = BlobInImage(record, field).Blob;
    if (data.empty()) {
        return;
    }
    if (offset > kMaxBlobLength || data.size() > kMaxBlobLength - offset) {
        RaiseKarteiError(ErrorCode::InvalidBlobLength, table_->Name());
    }
    const size_t end = offset + data.size();
    blob.Contents.Reserve(end);
    uint8_t* contents = blob.Contents.Data();
    // Buffers are reused: the bytes past the length may be an earlier blob's.
    if (offset > blob.Length) {
        std::fill(contents + blob.Length, contents + offset, uint8_t{0});
    }
    std::copy(data.begin(), data.end(), contents + offset);
    blob.Length = std::max(blob.Length, end);
    blob.Modified = true;
}

void TDataCursorImpl::TruncateBlob(std::span<const uint8_t> record, const TFieldDescriptor& field,
                                   size_t length) {
    TOpenBlob& blob = BlobInImage(record, field).Blob;
    if (length > blob.Length) {
        RaiseKarteiError(ErrorCode::InvalidBlobOffset, table_->Name());
    }
    if (length < blob.Length) {
        blob.Length = length;
        blob.Modified = true;
    }
}

void TDataCursorImpl::CloseBlob(std::span<uint8_t> record, const TFieldDescriptor& field) {
    const TBlobInImage open = BlobInImage(record, field);
    PutReference(record, open.Field, open.Blob.Source);
    openBlobs_->Close(open.Handle);
}

void TDataCursorImpl::WriteOpenBlobs(int32_t recordNumber, std::span<uint8_t> record) {
    CheckBlobImage(record);
    std::vector<TBlobInImage> open;
    std::vector<TDataTableImpl::TBlobContents> changed;
    for (const TFieldDescriptor& field : table_->Fields()) {
        if (field.FieldType != FieldType::Blob || GetBlobField(record, field).Offset >= 0) {
            continue;
        }
        open.push_back(BlobInImage(record, field));
        const TOpenBlob& blob = open.back().Blob;
        if (blob.Modified) {
            changed.push_back({&field, {blob.Contents.Data(), blob.Length}});
        }
    }
    const std::vector<TBlobReference> written =
        changed.empty() ? std::vector<TBlobReference>{} : table_->WriteBlobs(recordNumber, changed);
    size_t next = 0;
    for (const TBlobInImage& blob : open) {
        PutReference(record, blob.Field, blob.Blob.Modified ? written[next++] : blob.Blob.Source);
        openBlobs_->Close(blob.Handle);
    }
}

}  // namespace kartei
