#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/files/AbstractFile.h"

namespace kartei {

// The process-wide registry of open files: one file object per name and kind (disk or memory), shared
// by every table, cursor and session, so that a disk file has one operating-system handle per process.
// Names are matched after trimming blanks, without regard to case. Results are handle numbers (>= 1)
// or 0 for success, negative engine codes for failure. One guard serialises all operations.
class TFileList {
public:
    // Copies move this many bytes at a time.
    static constexpr size_t CopyChunk = 65535;

    TFileList();
    TFileList(const TFileList&) = delete;
    TFileList& operator=(const TFileList&) = delete;

    // (Re)creates the file empty and opens a handle; the creator holds it exclusively.
    int Create(std::string_view name, bool inMemory, bool temporary, TAbstractFile*& file);
    int Open(std::string_view name, bool inMemory, bool temporary, bool exclusive, TAbstractFile*& file,
             bool& openedReadOnly);
    // When the last handle goes, a disk file object is freed; a memory file stays registered with its
    // contents unless it is temporary.
    int Close(TAbstractFile* file, int handle);
    // A file open in this process, or a disk file another process has open, is refused (AccessDenied).
    int Rename(std::string_view name, bool inMemory, std::string_view newName);
    int Delete(std::string_view name, bool inMemory);
    bool Exists(std::string_view name, bool inMemory);
    // Creates the target, of the source's kind, and copies the source into it from offset 0.
    int SaveCopy(TAbstractFile* source, int handle, std::string_view targetName);
    // Opens the source, of the target's kind, exclusively and copies it into the target from offset 0;
    // the target ends where the copy ends.
    int LoadCopy(TAbstractFile* target, int handle, std::string_view sourceName);
    // The registered object of that name and kind, or nullptr.
    TAbstractFile* Find(std::string_view name, bool inMemory);

private:
    struct TEntry {
        std::unique_ptr<TAbstractFile> File;
        std::string Key;
    };

    TEntry* FindEntry(const std::string& key, bool inMemory);
    TEntry* FindEntry(const TAbstractFile* file);
    void Remove(const TAbstractFile* file);

    std::recursive_mutex guard_;
    std::vector<TEntry> entries_;
};

// The one registry of the process.
TFileList& FileList();

}  // namespace kartei
