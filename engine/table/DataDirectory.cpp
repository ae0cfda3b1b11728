#include "engine/table/DataDirectory.h"

#include <algorithm>

#include "base/ScopeGuard.h"
#include "base/TextHelpers.h"
#include "engine/format/TableFileNames.h"
#include "engine/table/DataTable.h"
#include "kartei/Errors.h"

namespace kartei {

TDataDirectoryImpl::TDataDirectoryImpl(TDataSession& session, std::string directory, std::string path,
                                       std::string identity, bool inMemory)
    : session_(session),
      directory_(std::move(directory)),
      path_(std::move(path)),
      identity_(std::move(identity)),
      inMemory_(inMemory) {}

// Each table's destructor closes its files.
TDataDirectoryImpl::~TDataDirectoryImpl() {
    while (!tables_.empty()) {
        tables_.pop_back();
    }
}

TDataTableImpl* TDataDirectoryImpl::FindTable(std::string_view name, bool inMemory) const {
    const std::string wanted = DataFileNameOf(name);
    for (const std::unique_ptr<TDataTableImpl>& table : tables_) {
        if (table->InMemory() == inMemory && EqualsIgnoreAsciiCase(table->Name(), wanted)) {
            return table.get();
        }
    }
    return nullptr;
}

int TDataDirectoryImpl::OpenTable(const TTableOpenRequest& request, TDataTableImpl*& table) {
    table = nullptr;
    const bool inMemory = TableInMemory(request);
    if (TDataTableImpl* found = FindTable(request.Name, inMemory)) {
        if (found->OpenCount() > 0) {
            if ((found->Exclusive() || request.Exclusive) && !request.Join) {
                return -static_cast<int>(ErrorCode::AccessDenied);
            }
            found->AddUser();
        } else {
            found->OpenFiles(request.Exclusive);
            JoinActiveTransaction(*found);
        }
        table = found;
        return 0;
    }
    auto created = std::make_unique<TDataTableImpl>(*this, DataFileNameOf(request.Name), inMemory);
    created->OpenFiles(request.Exclusive);
    JoinActiveTransaction(*created);
    tables_.push_back(std::move(created));
    table = tables_.back().get();
    return 0;
}

void TDataDirectoryImpl::JoinActiveTransaction(TDataTableImpl& table) {
    if (!transactionActive_) {
        return;
    }
    // Quietly: the failure to join is the one reported.
    TUndoGuard close([&table] { RunQuietly([&table] { table.CloseFiles(); }); });
    table.JoinTransaction();
    close.Dismiss();
}

void TDataDirectoryImpl::Drop(TDataTableImpl* table) {
    const auto it =
        std::find_if(tables_.begin(), tables_.end(),
                     [&](const std::unique_ptr<TDataTableImpl>& open) { return open.get() == table; });
    std::unique_ptr<TDataTableImpl> dropped = std::move(*it);
    tables_.erase(it);
    dropped->CloseFiles();
}

int TDataDirectoryImpl::CloseTable(TDataTableImpl* table) {
    const bool known =
        std::any_of(tables_.begin(), tables_.end(),
                    [&](const std::unique_ptr<TDataTableImpl>& open) { return open.get() == table; });
    if (!known || table->OpenCount() == 0) {
        return -static_cast<int>(ErrorCode::InvalidPath);
    }
    table->RemoveUser();
    if (table->OpenCount() == 0 && !transactionActive_) {
        Drop(table);
    }
    return 0;
}

void TDataDirectoryImpl::ShareTable(TDataTableImpl& table) {
    const bool known =
        std::any_of(tables_.begin(), tables_.end(),
                    [&](const std::unique_ptr<TDataTableImpl>& open) { return open.get() == &table; });
    if (!known || table.OpenCount() == 0) {
        RaiseKarteiError(ErrorCode::InvalidHandle, table.Name());
    }
    table.AddUser();
}

int TDataDirectoryImpl::CreateTable(const TTableOpenRequest& request, const TTableDefinition& definition,
                                    TDataTableImpl*& table) {
    table = nullptr;
    const bool inMemory = TableInMemory(request);
    // A table object, even an unused one held by a transaction, has the files open.
    if (FindTable(request.Name, inMemory) != nullptr) {
        return -static_cast<int>(ErrorCode::AccessDenied);
    }
    const std::string name = DataFileNameOf(request.Name);
    CreateTableFiles(TableFileNames(inMemory ? std::string() : path_, name), inMemory, definition, name);
    return OpenTable(request, table);
}

void TDataDirectoryImpl::StartTransaction() {
    if (transactionActive_) {
        return;
    }
    for (size_t k = 0; k < tables_.size(); ++k) {
        UndoOnError([this, k] { tables_[k]->JoinTransaction(); },
                    [this, k] {
                        for (size_t joined = k; joined-- > 0;) {
                            tables_[joined]->EndTransaction(false);
                        }
                    });
    }
    transactionActive_ = true;
}

void TDataDirectoryImpl::EndTransaction(bool commit) {
    if (!transactionActive_) {
        return;
    }
    transactionActive_ = false;
    TFirstError failure;
    for (const std::unique_ptr<TDataTableImpl>& table : tables_) {
        failure.Run([&table, commit] { table->EndTransaction(commit); });
    }
    // Tables closed during the transaction kept their files open until now.
    std::vector<TDataTableImpl*> unused;
    for (const std::unique_ptr<TDataTableImpl>& table : tables_) {
        if (table->OpenCount() == 0) {
            unused.push_back(table.get());
        }
    }
    for (TDataTableImpl* table : unused) {
        failure.Run([this, table] { Drop(table); });
    }
    failure.Raise();
}

void TDataDirectoryImpl::SettingsChanged() {
    for (const std::unique_ptr<TDataTableImpl>& table : tables_) {
        table->SettingsChanged();
    }
}

}  // namespace kartei
