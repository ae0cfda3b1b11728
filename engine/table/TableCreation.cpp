#include "engine/table/TableCreation.h"

#include <cstdint>

#include "base/ScopeGuard.h"
#include "engine/blob/BlobFile.h"
#include "engine/blob/BlobFileContext.h"
#include "engine/blob/BlobLayout.h"
#include "engine/errors/ErrorContext.h"
#include "engine/files/FileHandler.h"
#include "engine/format/DataFileImage.h"
#include "engine/index/IndexFile.h"
#include "engine/locale/InstalledLocale.h"
#include "engine/locale/LocaleId.h"
#include "engine/table/FieldNames.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

// The blob file of a table being created: it only writes its empty header.
class TNewBlobContext final : public TBlobFileContext {
public:
    explicit TNewBlobContext(std::string_view tableName) : tableName_(tableName) {}
    const std::string& BlobTableName() const override { return tableName_; }
    bool ForceBufferFlush() const override { return false; }
    bool InTransaction() const override { return false; }
    int32_t TakeBlobSequenceNumber() override { return 0; }

private:
    std::string tableName_;
};

void CheckFieldNames(const TTableDefinition& definition, std::string_view tableName) {
    const std::vector<TFieldDescriptor>& fields = definition.Fields;
    for (size_t k = 0; k < fields.size(); ++k) {
        bool valid =
            IsValidFieldName(fields[k].Name, definition.Options.LanguageId, definition.Options.SortId);
        for (size_t other = 0; valid && other < k; ++other) {
            valid = !SameFieldName(fields[k].Name, fields[other].Name);
        }
        if (!valid) {
            RaiseKarteiError(ErrorCode::InvalidFieldName, tableName, fields[k].Name);
        }
    }
}

void CheckOptions(const TNewTableOptions& options, const TDataHeader& header, std::string_view tableName) {
    if (options.LanguageId != 0 && !IsLocaleInstalled(MakeLocaleId(options.LanguageId, options.SortId))) {
        RaiseKarteiError(ErrorCode::LanguageDriverMissing, tableName);
    }
    // A longer password would be stored cut, and the one given would never open the table.
    if (options.Encrypted && options.Password.size() > kTablePasswordCapacity) {
        RaiseKarteiError(ErrorCode::InvalidPassword, tableName);
    }
    if (header.BlobFieldCount > 0 && (options.BlobBlockSize > UINT16_MAX ||
                                      !TBlobLayout(static_cast<uint16_t>(options.BlobBlockSize)).Usable())) {
        RaiseKarteiError(ErrorCode::BlobFieldLimits, tableName);
    }
}

void DefineIndexes(TIndexFile& file, const TTableDefinition& definition,
                   std::span<const TFieldDescriptor> fields) {
    DefinePrimaryIndex(file, definition.PrimaryIndex, fields);
    for (const TIndexDefinition& index : definition.SecondaryIndexes) {
        AddSecondaryIndex(file, index, fields);
    }
}

// Closes a file being made and deletes it; the failure that led here is the one reported.
void Discard(TFileHandler& file, bool made, const std::string& name) noexcept {
    RunQuietly([&file, made, &name] {
        if (file.IsOpen()) {
            file.Close();
        }
        if (made) {
            file.Delete(name);
        }
    });
}

}  // namespace

void CreateTableFiles(const TTableFileNames& names, bool inMemory, const TTableDefinition& definition,
                      std::string_view tableName) {
    CheckNewFileName(tableName);
    CheckFieldNames(definition, tableName);
    std::vector<TFieldDescriptor> fields = definition.Fields;
    const TDataHeader header = CreateDataHeader(definition.Options, fields, tableName);
    CheckOptions(definition.Options, header, tableName);
    {
        // The index definitions are checked on a header that is never written.
        TIndexFile trial;
        trial.Context().TableName = std::string(tableName);
        DefineIndexes(trial, definition, fields);
    }

    TFileHandler data;
    TIndexFile index;
    TNewBlobContext blobContext(tableName);
    TBlobFile blob(blobContext);
    data.SetInMemory(inMemory);
    index.SetInMemory(inMemory);
    blob.SetInMemory(inMemory);
    index.Context().TableName = std::string(tableName);
    index.Context().Encrypted = header.IsEncrypted();
    bool dataMade = false;
    bool indexMade = false;
    bool blobMade = false;
    TUndoGuard discard([&] {
        Discard(blob, blobMade, names.Blob);
        Discard(index, indexMade, names.Index);
        Discard(data, dataMade, names.Data);
    });
    data.Create(names.Data);
    dataMade = true;
    const std::vector<uint8_t> image = NewDataFileImage(header, fields);
    data.Write(image.data(), image.size());
    data.Close();
    index.Create(names.Index);
    indexMade = true;
    DefineIndexes(index, definition, fields);
    index.Flush();
    index.Close();
    if (header.BlobFieldCount > 0) {
        blob.SetFormat(static_cast<uint16_t>(header.BlobBlockSize), header.IsEncrypted());
        blob.Create(names.Blob);
        blobMade = true;
        blob.Close();
    } else if (blob.Exists(names.Blob)) {
        // A blob file left by an earlier table of that name would be taken for this one's.
        blob.Delete(names.Blob);
    }
    discard.Dismiss();
}

}  // namespace kartei
