#include "engine/files/FileList.h"

#include <algorithm>
#include <cerrno>

#include "engine/errors/EngineError.h"
#include "engine/errors/ErrorCodes.h"
#include "engine/files/EngineMemory.h"
#include "engine/files/MemoryFile.h"
#include "engine/files/PhysicalFile.h"
#include "engine/locale/CaseMap.h"
#include "engine/os/OsErrorMapping.h"
#include "engine/os/OsFileSystem.h"

namespace kartei {
namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string NameKey(std::string_view name) {
    std::string key(Trimmed(name));
    UpperCaseInPlace(key.data(), key.size(), 0, 0);
    return key;
}

// The file part of the name, without its extension, is blank.
bool HasBlankFilePart(std::string_view name) {
    const size_t separator = name.find_last_of("/\\");
    std::string_view part = separator == std::string_view::npos ? name : name.substr(separator + 1);
    if (const size_t dot = part.rfind('.'); dot != std::string_view::npos) {
        part = part.substr(0, dot);
    }
    return Trimmed(part).empty();
}

// The system deletes and renames a file that another process has open; an exclusive open cannot take the
// sharing lock such a process holds, and keeps others from opening the file meanwhile. A file that is not
// there is left to the delete or rename to report.
int HoldExclusively(TPhysicalFile& file) {
    file.SetExclusive(true);
    const int handle = file.Open();
    return handle == -ErrorCode::InvalidPath ? 0 : handle;
}

std::unique_ptr<TAbstractFile> NewFile(std::string_view name, bool inMemory) {
    std::string trimmed(Trimmed(name));
    if (inMemory) {
        return std::make_unique<TMemoryFile>(std::move(trimmed));
    }
    return std::make_unique<TPhysicalFile>(std::move(trimmed));
}

// Copies the source into the target from offset 0 in chunks until one comes back short; returns the
// bytes copied or a negative engine code.
int64_t CopyContents(TAbstractFile& from, int fromHandle, TAbstractFile& to, int toHandle) {
    TEngineBuffer chunk(TFileList::CopyChunk);
    try {
        chunk.Reserve(TFileList::CopyChunk);
    } catch (const EKarteiEngineError& error) {
        return -error.ErrorCode();
    }
    std::scoped_lock lock(from.Guard(), to.Guard());
    if (const int64_t result = from.Seek(fromHandle, 0, TSeekOrigin::Start); result < 0) {
        return result;
    }
    if (const int64_t result = to.Seek(toHandle, 0, TSeekOrigin::Start); result < 0) {
        return result;
    }
    int64_t total = 0;
    for (;;) {
        const int64_t got = from.Read(fromHandle, chunk.Data(), TFileList::CopyChunk);
        if (got < 0) {
            return got;
        }
        if (got > 0) {
            const int64_t put = to.Write(toHandle, chunk.Data(), static_cast<size_t>(got));
            if (put < 0) {
                return put;
            }
            if (put != got) {
                return -ErrorCode::WriteError;
            }
            total += got;
        }
        if (got < static_cast<int64_t>(TFileList::CopyChunk)) {
            return total;
        }
    }
}

}  // namespace

TFileList::TFileList() {
    // Disk files close through the system interface when the registry goes at process end, so it must
    // be there until then.
    OsFileSystem();
}

TFileList::TEntry* TFileList::FindEntry(const std::string& key, bool inMemory) {
    for (TEntry& entry : entries_) {
        if (entry.File->InMemory() == inMemory && entry.Key == key) {
            return &entry;
        }
    }
    return nullptr;
}

TFileList::TEntry* TFileList::FindEntry(const TAbstractFile* file) {
    for (TEntry& entry : entries_) {
        if (entry.File.get() == file) {
            return &entry;
        }
    }
    return nullptr;
}

void TFileList::Remove(const TAbstractFile* file) {
    std::erase_if(entries_, [file](const TEntry& entry) { return entry.File.get() == file; });
}

TAbstractFile* TFileList::Find(std::string_view name, bool inMemory) {
    std::lock_guard lock(guard_);
    TEntry* entry = FindEntry(NameKey(name), inMemory);
    return entry != nullptr ? entry->File.get() : nullptr;
}

int TFileList::Create(std::string_view name, bool inMemory, bool temporary, TAbstractFile*& file) {
    std::lock_guard lock(guard_);
    file = nullptr;
    if (HasBlankFilePart(name)) {
        return -ErrorCode::InvalidPath;
    }
    const std::string key = NameKey(name);
    TEntry* entry = FindEntry(key, inMemory);
    if (entry != nullptr && entry->File->OpenCount() > 0) {
        return -ErrorCode::AccessDenied;
    }
    std::unique_ptr<TAbstractFile> created;
    TAbstractFile* target = entry != nullptr ? entry->File.get() : (created = NewFile(name, inMemory)).get();
    target->SetTemporary(temporary);
    const int handle = target->Create();
    if (handle < 0) {
        return handle;
    }
    if (created) {
        entries_.push_back(TEntry{std::move(created), key});
    }
    file = target;
    return handle;
}

int TFileList::Open(std::string_view name, bool inMemory, bool temporary, bool exclusive,
                    TAbstractFile*& file, bool& openedReadOnly) {
    std::lock_guard lock(guard_);
    file = nullptr;
    openedReadOnly = false;
    const std::string key = NameKey(name);
    TEntry* entry = FindEntry(key, inMemory);
    std::unique_ptr<TAbstractFile> created;
    TAbstractFile* target = nullptr;
    if (entry == nullptr) {
        // An in-memory file exists only once it was created.
        if (inMemory) {
            return -ErrorCode::InvalidPath;
        }
        created = NewFile(name, false);
        target = created.get();
    } else {
        target = entry->File.get();
        if (target->OpenCount() > 0 && (target->Exclusive() || exclusive)) {
            return -ErrorCode::AccessDenied;
        }
    }
    if (target->OpenCount() == 0) {
        target->SetExclusive(exclusive);
        target->SetTemporary(temporary);
    }
    const int handle = target->Open();
    if (handle < 0) {
        return handle;
    }
    if (created) {
        entries_.push_back(TEntry{std::move(created), key});
    }
    file = target;
    openedReadOnly = target->OpenedReadOnly();
    return handle;
}

int TFileList::Close(TAbstractFile* file, int handle) {
    std::lock_guard lock(guard_);
    if (FindEntry(file) == nullptr) {
        return -ErrorCode::InvalidPath;
    }
    if (const int result = file->CloseHandle(handle); result < 0) {
        return result;
    }
    if (file->OpenCount() == 0 && (!file->InMemory() || file->Temporary())) {
        Remove(file);
    }
    return 0;
}

int TFileList::Rename(std::string_view name, bool inMemory, std::string_view newName) {
    std::lock_guard lock(guard_);
    TEntry* entry = FindEntry(NameKey(name), inMemory);
    if (entry != nullptr && entry->File->OpenCount() > 0) {
        return -ErrorCode::AccessDenied;
    }
    if (!inMemory) {
        // Disk files are only registered while open: ask the system, while holding the file as another
        // process's exclusive open would.
        TPhysicalFile file{std::string(Trimmed(name))};
        if (const int held = HoldExclusively(file); held < 0) {
            return held;
        }
        return file.Rename(std::string(Trimmed(newName)));
    }
    const std::string newKey = NameKey(newName);
    if (entry == nullptr) {
        return -ErrorCode::InvalidPath;
    }
    // As on disk, an existing file is never replaced.
    if (FindEntry(newKey, true) != nullptr) {
        return -static_cast<int>(EngineCodeForOsError(EEXIST));
    }
    entry->File->Rename(std::string(Trimmed(newName)));
    entry->Key = newKey;
    return 0;
}

int TFileList::Delete(std::string_view name, bool inMemory) {
    std::lock_guard lock(guard_);
    TEntry* entry = FindEntry(NameKey(name), inMemory);
    if (entry != nullptr && entry->File->OpenCount() > 0) {
        return -ErrorCode::AccessDenied;
    }
    if (!inMemory) {
        TPhysicalFile file{std::string(Trimmed(name))};
        if (const int held = HoldExclusively(file); held < 0) {
            return held;
        }
        return file.Delete();
    }
    if (entry == nullptr) {
        return -ErrorCode::InvalidPath;
    }
    entry->File->Delete();
    Remove(entry->File.get());
    return 0;
}

bool TFileList::Exists(std::string_view name, bool inMemory) {
    std::lock_guard lock(guard_);
    if (FindEntry(NameKey(name), inMemory) != nullptr) {
        return true;
    }
    if (inMemory) {
        return false;
    }
    TOsFileAttributes attributes;
    return OsFileSystem().Attributes(std::string(Trimmed(name)), attributes) == 0 && attributes.Exists &&
           !attributes.IsDirectory;
}

int TFileList::SaveCopy(TAbstractFile* source, int handle, std::string_view targetName) {
    std::lock_guard lock(guard_);
    if (FindEntry(source) == nullptr) {
        return -ErrorCode::InvalidPath;
    }
    const bool inMemory = source->InMemory();
    TAbstractFile* target = nullptr;
    const int targetHandle = Create(targetName, inMemory, false, target);
    if (targetHandle < 0) {
        return targetHandle;
    }
    const int64_t copied = CopyContents(*source, handle, *target, targetHandle);
    Close(target, targetHandle);
    if (copied < 0) {
        // A partial copy must not pass for a good one.
        Delete(targetName, inMemory);
        return static_cast<int>(copied);
    }
    return 0;
}

int TFileList::LoadCopy(TAbstractFile* target, int handle, std::string_view sourceName) {
    std::lock_guard lock(guard_);
    if (FindEntry(target) == nullptr) {
        return -ErrorCode::InvalidPath;
    }
    TAbstractFile* source = nullptr;
    bool openedReadOnly = false;
    const int sourceHandle = Open(sourceName, target->InMemory(), false, true, source, openedReadOnly);
    if (sourceHandle < 0) {
        return sourceHandle;
    }
    int64_t result = 0;
    {
        std::lock_guard targetLock(target->Guard());
        result = CopyContents(*source, sourceHandle, *target, handle);
        // The target ends where the copy ends, whatever it held before.
        if (result >= 0) {
            result = target->Seek(handle, result, TSeekOrigin::Start);
        }
        if (result >= 0) {
            result = target->Write(handle, nullptr, 0);
        }
    }
    Close(source, sourceHandle);
    return result < 0 ? static_cast<int>(result) : 0;
}

TFileList& FileList() {
    static TFileList list;
    return list;
}

}  // namespace kartei
