#pragma once

#include <cstdint>

namespace kartei {

// Notices when a walk along block links comes back to a block it has seen (Brent's method): it keeps one
// block as a mark and moves the mark ahead after windows of doubling length, so a cycle is found within
// about twice its length after the walk enters it, with no memory besides the mark.
class TChainWalk {
public:
    // False when the block was seen before in this walk.
    bool Visit(int32_t offset) {
        if (offset == mark_) {
            return false;
        }
        if (++steps_ == window_) {
            mark_ = offset;
            window_ *= 2;
            steps_ = 0;
        }
        return true;
    }

private:
    int32_t mark_ = 0;  // 0 is never a block offset
    int64_t window_ = 1;
    int64_t steps_ = 0;
};

}  // namespace kartei
