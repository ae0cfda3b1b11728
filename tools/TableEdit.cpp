#include "tools/TableEdit.h"

#include <vector>

#include "base/Cp1252.h"
#include "base/ScopeGuard.h"
#include "kartei/Errors.h"
#include "kartei/Field.h"
#include "tools/EngineFailure.h"
#include "tools/FieldText.h"
#include "tools/Selection.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

// A record as an error names it: its fields but the blobs, "name=Bonn, n=2".
std::string RecordText(const TDataTableImpl& table, std::span<const uint8_t> image) {
    std::string text;
    for (const TFieldDescriptor& field : table.Fields()) {
        if (field.FieldType != FieldType::Blob) {
            text += (text.empty() ? "" : ", ") + Cp1252ToUtf8(field.Name) + "=" + FieldText(image, field);
        }
    }
    return text;
}

}  // namespace

TTableEdit::TTableEdit(const std::string& path) : session_(path), cursor_(session_.Directory()) {
    session_.OpenCursor(cursor_);
    // Said at once, rather than as the refusal of the first change (or not at all when there is none).
    if (Table().ReadOnly()) {
        throw InputError("'" + DataFile() + "' is read-only: its files cannot be written");
    }
    session_.Directory().StartTransaction();
    inTransaction_ = true;
}

TTableEdit::~TTableEdit() {
    if (!inTransaction_) {
        return;
    }
    // The failure that ended the edit is the one reported.
    RunQuietly([this] { session_.Directory().EndTransaction(false); });
}

void TTableEdit::ChangeSelection(
    const TParsedArguments& arguments, TProgress& progress,
    const std::function<void(int32_t number, std::span<uint8_t> image)>& change) {
    ApplySelection(cursor_, arguments);
    const std::vector<int32_t> numbers = SelectedRecordNumbers(cursor_);
    TDataTableImpl& table = Table();
    std::vector<uint8_t> stored(table.Header().RecordSize);
    std::vector<uint8_t> image(stored.size());
    for (const int32_t number : numbers) {
        table.ReadRecord(number, stored);
        image = stored;
        try {
            change(number, image);
        } catch (const EKarteiEngineError& error) {
            throw EToolError(EngineFailureStatus(error),
                             "record (" + RecordText(table, stored) + "): " + EngineMessage(error));
        }
        progress.Step();
    }
}

void TTableEdit::Commit() {
    inTransaction_ = false;
    session_.Directory().EndTransaction(true);
}

}  // namespace kartei::tools
