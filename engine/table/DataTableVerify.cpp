// TDataTableImpl: what the first cursor on a table checks before it uses it.
#include "engine/files/FileHandler.h"
#include "engine/index/IndexVerify.h"
#include "engine/table/DataFileVerify.h"
#include "engine/table/DataTable.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Session.h"

namespace kartei {

bool TDataTableImpl::NeedsVerification(const TTableOpenRequest& request) const {
    return request.VerificationWanted() && openCount_ == 1 && (!inTransaction_ || !changedInTransaction_);
}

void TDataTableImpl::VerifyFiles() {
    const TReadAccess access(*this);
    int64_t fileLength = 0;
    {
        TFileGuard guard(dataFile_);
        fileLength = dataFile_.Size();
    }
    VerifyDataFile(Header(), Fields(), fileLength, name_);
    if (!indexMissing_) {
        VerifyIndexHeader(indexFile_.Header(), Fields(), name_);
    }
    if (blobFile_.IsOpen()) {
        blobFile_.Verify();
    }
}

void TDataTableImpl::CheckPassword() {
    // A table encrypted without a password asks for none.
    if (!Header().IsEncrypted() || Header().Password.empty()) {
        return;
    }
    TDataSession& session = Session();
    while (!session.HasPassword(Header().Password)) {
        if (!session.AskForPassword()) {
            Raise(ErrorCode::PasswordRequired);
        }
    }
}

}  // namespace kartei
