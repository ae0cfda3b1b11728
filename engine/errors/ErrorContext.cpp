#include "engine/errors/ErrorContext.h"

#include <mutex>

#include "engine/errors/MessageTable.h"
#include "kartei/Errors.h"

namespace kartei {
namespace {

constexpr size_t kMaxNameLength = 255;
constexpr size_t kMaxTextLength = 254;

struct TErrorContextRecord {
    uint16_t Code = 0;
    uint16_t OsError = 0;
    std::string FieldName;
    std::string TableName;
    std::string ExtraText;
    std::string IndexName;
};

std::mutex& ContextLock() {
    static std::mutex lock;
    return lock;
}

TErrorContextRecord& Context() {
    static TErrorContextRecord record;
    return record;
}

std::string ShortText(std::string_view text) {
    return std::string(text.substr(0, kMaxNameLength));
}

const std::string& ArgumentText(const TErrorContextRecord& context, TMessageArg arg) {
    static const std::string empty;
    switch (arg) {
        case TMessageArg::Table:
            return context.TableName;
        case TMessageArg::Field:
            return context.FieldName;
        case TMessageArg::Index:
            return context.IndexName;
        case TMessageArg::Extra:
            return context.ExtraText;
        case TMessageArg::None:
            break;
    }
    return empty;
}

// Fills "%s" / "%S" placeholders in order; the context lock is held by the caller.
std::string Compose(const TErrorContextRecord& context, const char* text, const TMessageArg* args,
                    size_t argCount) {
    std::string result;
    size_t next = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'S')) {
            if (next < argCount) {
                result += ArgumentText(context, args[next++]);
            }
            ++p;
        } else {
            result += *p;
        }
    }
    if (result.size() > kMaxTextLength) {
        result.resize(kMaxTextLength);
    }
    return result;
}

}  // namespace

std::string ComposeErrorText(uint16_t code) {
    std::lock_guard guard(ContextLock());
    if (const TMessageEntry* entry = FindMessage(code)) {
        return Compose(Context(), entry->Text, entry->Args, std::size(entry->Args));
    }
    const TMessageArg tableOnly[] = {TMessageArg::Table};
    return Compose(Context(), kUnknownErrorText, tableOnly, 1);
}

namespace {

void FillContext(uint16_t code, uint16_t osError, std::string_view tableName, std::string_view fieldName,
                 std::string_view extraText, std::string_view indexName) {
    std::lock_guard guard(ContextLock());
    TErrorContextRecord& context = Context();
    context = TErrorContextRecord{};
    context.Code = code;
    context.OsError = osError;
    context.FieldName = ShortText(fieldName);
    context.TableName = ShortText(tableName);
    context.ExtraText = ShortText(extraText);
    context.IndexName = ShortText(indexName);
}

}  // namespace

void RaiseKarteiError(uint16_t code, std::string_view tableName, std::string_view fieldName,
                      std::string_view extraText, std::string_view indexName) {
    FillContext(code, 0, tableName, fieldName, extraText, indexName);
    throw EKarteiEngineError(code);
}

void RaiseKarteiOsError(uint16_t code, std::string_view tableName, uint16_t osError) {
    FillContext(code, osError, tableName, {}, {}, {});
    throw EKarteiEngineError(code);
}

void RaiseKarteiErrorCode(uint16_t code) {
    throw EKarteiEngineError(code);
}

void CheckKarteiStatus(uint16_t status) {
    if (status != 0) {
        RaiseKarteiErrorCode(status);
    }
}

uint16_t ErrorContextCode() {
    std::lock_guard guard(ContextLock());
    return Context().Code;
}

uint16_t ErrorContextOsError() {
    std::lock_guard guard(ContextLock());
    return Context().OsError;
}

std::string ErrorContextName(TErrorContextName which) {
    std::lock_guard guard(ContextLock());
    const TErrorContextRecord& context = Context();
    switch (which) {
        case TErrorContextName::Field:
            return context.FieldName;
        case TErrorContextName::Table:
            return context.TableName;
        case TErrorContextName::Index:
            return context.IndexName;
    }
    return {};
}

}  // namespace kartei
