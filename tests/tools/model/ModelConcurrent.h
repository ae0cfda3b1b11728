#pragma once

#include <cstdint>
#include <string>

namespace kartei::tools::model {

struct TConcurrentSettings {
    uint32_t Seed = 1;
    int Walks = 40;
    // Another process changes the table all the while; its timing differs from run to run.
    bool OtherProcess = true;
    // What this process's other cursor does between a walk's steps: delete the record the walk stands on;
    // insert a record below the first (forwards) or above the last (backwards) before the first step;
    // insert new records and delete others.
    bool StandingDeletes = true;
    bool EdgeInserts = true;
    bool OtherChanges = true;
};

// Walks through the indexes and the record order of a seeded table (made and filled by the first changes of
// the sequential workload), forwards and backwards, while another cursor of this process inserts and deletes
// records between the walk's steps (the record the walk stands on, one below its first record or above its
// last, any other), as the seed decides, and with OtherProcess another process inserts and deletes records
// of its own. Every walk must keep TWalkCheck's rule, and the table must check sound at the end. Raises
// TModelFailure with the steps that led to the first break.
void RunConcurrentWalks(const std::string& folder, const TConcurrentSettings& settings);

}  // namespace kartei::tools::model
