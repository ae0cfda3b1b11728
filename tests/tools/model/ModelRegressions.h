#pragma once

#include <cstdint>
#include <ostream>

#include "engine/faults/FailingFileSystem.h"

namespace kartei::tools::model {

// Runs of the workload that once failed, with what reproduces them and what they found; run every time.
// The generators draw everything from the seed, so a change to them calls for finding these runs again.

struct TSequentialRegression {
    const char* Name;
    uint32_t Seed;
    int64_t Operations;
    const char* Finding;
};

struct TConcurrentRegression {
    const char* Name;
    uint32_t Seed;
    // Which of this process's changes the walks meet (see TConcurrentSettings); no other process, so that
    // the run repeats exactly.
    bool StandingDeletes;
    bool EdgeInserts;
    const char* Finding;
};

struct TDiskFaultRegression {
    const char* Name;
    uint32_t Seed;
    kartei::testing::TFaultKind Kind;
    int64_t FailAt;
    bool Sticky;
    bool ForceFlush;
    const char* Finding;
};

inline constexpr TSequentialRegression kSequentialRegressions[] = {
    {"DeletingBeforeALongerTwinInAFullModeThreeLeaf", 162, 3000,
     "deleting (a='Bonn', b=NULL) from a nearly full leaf of a mode-3 index over two String(40) fields: its "
     "successor (a='Bonn', b=...) grows when re-formed, the page stays overfull, the flush fails with 8965"},
    {"DeletingFromAModeThreeIndexOverAStringAndANull", 96, 3000,
     "the same in a mode-3 unique index over a String(250) and an Integer field, deleting a record whose "
     "integer is null: 8965"},
};

inline constexpr TConcurrentRegression kConcurrentRegressions[] = {
    {"DeletingTheCurrentRecordOfAnIndexWalk", 1, true, false,
     "a forward walk in an index skips the successor of the record another cursor deleted under it"},
    {"DeletingTheCurrentRecordOfARecordOrderWalk", 20, true, false,
     "a forward walk in record order skips the successor of the record another cursor deleted under it"},
    {"InsertingBelowTheFirstRecordAfterFirst", 4, false, true,
     "after First, a record inserted below the first one makes GetNext skip the old first ones"},
    {"InsertingAboveTheLastRecordAfterLast", 7, false, true,
     "after Last, a record inserted above the last one makes GetPrior skip the old last ones"},
};

inline constexpr TDiskFaultRegression kDiskFaultRegressions[] = {
    {"AReadFailingInARollback", 2, kartei::testing::TFaultKind::Read, 694, false, false,
     "the rollback stops at the failed read and leaves the transaction's index pages to be written at close "
     "(FailingChange.AReadFailingInTheRollback...)"},
    {"ADiskGoneWhileEmptying", 197, kartei::testing::TFaultKind::Write, 514, true, false,
     "the data file is cut before its header is written: verify 8961, repair 9217 "
     "(FailingChange.ADiskGoneWhileEmptying...)"},
    {"AFlushFailingOnceWhileEmptying", 460, kartei::testing::TFaultKind::Flush, 212, false, true,
     "one failed flush after the data file is cut leaves it under a header that still counts the old slots "
     "(FailingChange.ADiskGoneWhileEmptying...)"},
    {"ADiskThatStopsReadingDuringACommit", 298, kartei::testing::TFaultKind::Read, 1279, true, true,
     "reads failing while the commit saves the originals in its journal leave the table half written: verify "
     "8961, repair 9217 (FailingChange.ADiskThatStopsReadingDuringTheCommit...)"},
};

// Test reports name a run by its name.
template <typename TRegression>
void PrintTo(const TRegression& regression, std::ostream* out) requires requires {
    regression.Finding;
}
{ *out << regression.Name; }

}  // namespace kartei::tools::model
