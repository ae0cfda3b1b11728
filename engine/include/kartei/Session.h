#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kartei {

class TDataDirectory;

// How much a table keeps in memory: the record cache of its data file and the page cache of each of its
// indexes. The defaults are the engine's standard sizes; a program that reads large tables again and
// again may give its tables more. Tables take the settings when their files open.
struct TCacheSettings {
    // The record cache holds this many bytes of records, at most MaxCachedRecords records.
    int32_t RecordCacheBytes = 131070;
    int32_t MaxCachedRecords = 8191;
    // Pages each index keeps outside a transaction.
    size_t PagesPerIndex = 15;
    // A transaction's record cache grows by at most this many bytes beyond its normal size (a record
    // counting at least 510 bytes, the buffer it takes), and its index pages take at most this many bytes
    // of the index file; beyond that it spills its changes to a temporary file beside the table file
    // until it ends.
    int32_t TransactionCacheBytes = 1024 * 1024;
    // A table that a transaction fills from empty puts the index entries of its new records off and builds
    // each index from its sorted keys at once when anything else uses the table or the transaction
    // commits; meanwhile it keeps the keys of its unique indexes (but those that hold the record
    // identifier) by hash, eight bytes a key at most three quarters full, in up to this many bytes. Beyond
    // them the indexes are built, and the records to come go in one by one.
    size_t PutOffKeyBytes = 24 * 1024 * 1024;
    // The pages of a table's indexes count against one budget, PagesPerIndex for each index that has
    // pages: the index in use may keep what the others leave, as one page cache for the whole file.
    bool ShareIndexPages = false;
};

// How a table's record locks are taken and how it looks for other users' changes.
struct TLockSettings {
    // A record lock held by another user is tried again this many times, this many milliseconds apart.
    uint32_t LockRetryCount = 15;
    uint32_t LockWaitTime = 100;
    bool StrictChangeDetection = false;
};

// Asks for table passwords; the dataset layer installs it. True when something was entered, so that the
// session's passwords are worth looking at again; false when the user gave up.
using TPasswordCallback = std::function<bool()>;

// An engine session: the settings its tables follow, its table passwords and its open database directories.
// Directories are shared by identity and counted; destroying the session closes every one of them with its
// tables.
class TDataSession {
public:
    static constexpr size_t kMaxPasswordLength = 255;

    // Takes the process's current directory and the user's default language.
    TDataSession();
    ~TDataSession();
    TDataSession(const TDataSession&) = delete;
    TDataSession& operator=(const TDataSession&) = delete;

    // The process's current directory at creation, with a trailing '/': the directory an empty database
    // directory stands for.
    const std::string& CurrentDirectory() const { return currentDirectory_; }
    // Where temporary files go instead of the current directory; empty when not set. Stored trimmed with a
    // trailing '/'.
    const std::string& PrivateDirectory() const { return privateDirectory_; }
    void SetPrivateDirectory(std::string_view directory);

    // Settings the open tables follow at once.
    bool ForceBufferFlush() const { return forceBufferFlush_; }
    void SetForceBufferFlush(bool force);
    bool StrictChangeDetection() const { return lockSettings_.StrictChangeDetection; }
    void SetStrictChangeDetection(bool strict) { lockSettings_.StrictChangeDetection = strict; }
    uint32_t LockRetryCount() const { return lockSettings_.LockRetryCount; }
    void SetLockRetryCount(uint32_t count) { lockSettings_.LockRetryCount = count; }
    uint32_t LockWaitTime() const { return lockSettings_.LockWaitTime; }
    void SetLockWaitTime(uint32_t milliseconds) { lockSettings_.LockWaitTime = milliseconds; }
    // The tables' record-lock settings; valid as long as the session.
    const TLockSettings& LockSettings() const { return lockSettings_; }

    // Cache sizes of tables opened from now on.
    const TCacheSettings& CacheSettings() const { return cacheSettings_; }
    void SetCacheSettings(const TCacheSettings& settings) { cacheSettings_ = settings; }

    // Locale of new tables: the user's default language (0 when unknown) and sort id 0.
    uint16_t LanguageId() const { return languageId_; }
    void SetLanguageId(uint16_t languageId) { languageId_ = languageId; }
    uint16_t SortId() const { return sortId_; }
    void SetSortId(uint16_t sortId) { sortId_ = sortId; }

    // Passwords of encrypted tables, each at most 255 characters (longer ones are cut). Adding an empty or a
    // present password does nothing; comparison is exact.
    void AddPassword(std::string_view password);
    void RemovePassword(std::string_view password);
    void RemoveAllPasswords() { passwords_.clear(); }
    bool HasPassword(std::string_view password) const;
    const std::vector<std::string>& Passwords() const { return passwords_; }

    void SetPasswordCallback(TPasswordCallback callback) { passwordCallback_ = std::move(callback); }
    bool HasPasswordCallback() const { return static_cast<bool>(passwordCallback_); }
    // Calls the password callback: false when none is installed or it gave up.
    bool AskForPassword();

    // Opens a database directory: "MEMORY" (any case) is the in-memory database; any other directory is
    // taken as a path (see NormalizeDirectoryPath), an empty one meaning the current directory. A directory
    // of the same identity already open is shared and counted once more.
    TDataDirectory& OpenDirectory(std::string_view directory);
    // Counts a directory down and, at 0, closes its tables and frees it. 0, or -AccessDenied for a directory
    // this session does not hold.
    int CloseDirectory(TDataDirectory* directory);
    size_t DirectoryCount() const { return directories_.size(); }

private:
    // Settings changed: every open table takes them over.
    void SettingsChanged();

    std::string currentDirectory_;
    std::string privateDirectory_;
    bool forceBufferFlush_ = false;
    TLockSettings lockSettings_;
    TCacheSettings cacheSettings_;
    uint16_t languageId_ = 0;
    uint16_t sortId_ = 0;
    std::vector<std::string> passwords_;
    TPasswordCallback passwordCallback_;
    std::vector<std::unique_ptr<TDataDirectory>> directories_;
};

// The user's default language id, from the process locale; 0 when it has none.
uint16_t UserDefaultLanguageId();

}  // namespace kartei
