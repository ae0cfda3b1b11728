#pragma once

namespace kartei {

// Runs `work`, then `finish`, also when `work` raises (the error then passes on after `finish`). For
// steps that must happen whatever a dataset class's hook does: telling the links what the window now
// holds, letting go of buffers.
template <typename Work, typename Finish>
void RunThenFinish(Work&& work, Finish&& finish) {
    try {
        work();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

}  // namespace kartei
