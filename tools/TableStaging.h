#pragma once

#include <string>
#include <vector>

#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"
#include "engine/table/TableCreation.h"
#include "kartei/Session.h"

namespace kartei::tools {

// New tables are made in a scratch folder inside their target directory and moved into place only when
// all of them are complete and check sound, so a failure leaves neither half a table nor a changed one
// behind: the scratch folder goes, and so does the target directory when it was made for them.
class TTableStaging {
public:
    // Creates the target directory when missing, and the scratch folder in it.
    explicit TTableStaging(const std::string& targetDirectory);
    // Without Commit: removes everything made.
    ~TTableStaging();
    TTableStaging(const TTableStaging&) = delete;
    TTableStaging& operator=(const TTableStaging&) = delete;

    // Creates a table in the scratch folder, held exclusively until Commit. Engine errors as CreateTable.
    TDataTableImpl& Create(const std::string& name, const TTableDefinition& definition);
    // Closes the tables, opens each again and checks it (TableCheck.h; EToolError when anything is found),
    // then moves their files into the target directory, replacing files of the same names (and the blob
    // file of a replaced table that the new one does not have).
    void Commit();

private:
    void CloseTables();
    void Discard() noexcept;

    std::string target_;
    std::string scratch_;
    bool targetMade_ = false;
    bool committed_ = false;
    TDataSession session_;
    TDataDirectoryImpl* directory_ = nullptr;
    std::vector<std::string> names_;
    std::vector<TDataTableImpl*> open_;
};

}  // namespace kartei::tools
