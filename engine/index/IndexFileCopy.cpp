// TIndexFile: taking the contents of a saved copy of the file.
#include <algorithm>

#include "base/ScopeGuard.h"
#include "engine/index/IndexFile.h"

namespace kartei {

void TIndexFile::RestoreCopy(std::string_view copyName) {
    const uint32_t held = header_.ChangeCounter;
    // Pages of the contents being replaced, changed ones included, must never reach the file.
    DropPages(false);
    ++generation_;
    // A copy that stopped halfway: the header is taken as the file holds it now, so that nothing of the
    // replaced contents is trusted. Quietly: the failed copy is the one reported.
    TUndoGuard retake([this] { RunQuietly([this] { TakeHeader(ReadHeaderBlock()); }); });
    LoadCopy(copyName);
    retake.Dismiss();
    TakeHeader(ReadHeaderBlock());
    header_.ChangeCounter = std::max(header_.ChangeCounter, held);
    headerChanged_ = true;
}

}  // namespace kartei
