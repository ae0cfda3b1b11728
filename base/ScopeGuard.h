#pragma once

#include <exception>
#include <utility>

namespace kartei {

// Undo on error, in one place instead of a try block around every step that may fail.
//
// TUndoGuard is for undo steps that cannot fail (a flag, a saved header, a count): it runs from a
// destructor, where a failure would end the program. An undo step that may fail itself (closing a file,
// giving a lock back) goes through UndoOnError, which passes the undo's failure on the way a catch block
// would. RunQuietly is for clean-up after the failure that is reported, and for destructors; TFirstError
// for steps that must all run, such as closing the files of a table.

// Runs its undo when the scope is left, unless dismissed before: dismissed at the end of the steps it
// guards, it undoes only when one of them raises; never dismissed, it is a clean-up that always runs.
template <typename Undo>
class [[nodiscard]] TUndoGuard {
public:
    explicit TUndoGuard(Undo undo) : undo_(std::move(undo)) {}
    ~TUndoGuard() {
        if (armed_) {
            undo_();
        }
    }
    TUndoGuard(const TUndoGuard&) = delete;
    TUndoGuard& operator=(const TUndoGuard&) = delete;

    void Dismiss() { armed_ = false; }

private:
    Undo undo_;
    bool armed_ = true;
};

// Runs `work` and gives back what it gives; when it raises, runs `undo` and passes the error on, or the
// undo's own when the undo fails too.
template <typename Work, typename Undo>
decltype(auto) UndoOnError(Work&& work, Undo&& undo) {
    try {
        return std::forward<Work>(work)();
    } catch (...) {  // whatever `work` raises, the undo is due and the error passes on untouched
        std::forward<Undo>(undo)();
        throw;
    }
}

// Runs `work`, then `finish`, also when `work` raises (the error then passes on after `finish`). For
// steps that must happen whatever a hook does: telling the links what the window now holds, letting go
// of buffers.
template <typename Work, typename Finish>
void RunThenFinish(Work&& work, Finish&& finish) {
    UndoOnError(std::forward<Work>(work), finish);
    finish();
}

// Runs `step` and drops whatever it raises; false when it raised. For clean-up after a failure, which is
// the one reported, and for destructors, which must not raise.
template <typename Step>
bool RunQuietly(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (...) {  // any failure here comes second to the one being handled, or would end the program
        return false;
    }
}

// Runs steps that must all run, whatever the ones before raised, and keeps the first error for Raise.
class TFirstError {
public:
    template <typename Step>
    void Run(Step&& step) noexcept {
        try {
            std::forward<Step>(step)();
        } catch (...) {  // the step's failure, of whatever kind, is raised later by Raise
            if (!error_) {
                error_ = std::current_exception();
            }
        }
    }

    // Raises the first error kept, if any.
    void Raise() const {
        if (error_) {
            std::rethrow_exception(error_);
        }
    }

private:
    std::exception_ptr error_;
};

}  // namespace kartei
