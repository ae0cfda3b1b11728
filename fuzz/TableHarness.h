#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kartei::fuzz {

// The three files of one table, as a fuzz input carries them: the data file's length (4 bytes, little
// endian) and bytes, the index file's length and bytes (length 0xFFFFFFFF: no index file), and the blob
// file as the rest (none when empty). Lengths beyond the input are cut to what is there.
struct TTableFiles {
    std::string Data;
    std::string Index;
    std::string Blob;
    bool HasIndex = true;
};

TTableFiles SplitInput(std::span<const uint8_t> input);
std::vector<uint8_t> JoinInput(const TTableFiles& files);

// Writes the files as table "F" into `folder` and uses the table every way a reader does: opened by a
// cursor with the first user's checks; every index (and record order) walked forwards and backwards, with
// counts, ordinals, key searches and ranges; every record and blob read; then, opened again from fresh
// files without the checks, the whole check of `kartei verify` and the same walks. Engine errors end a part
// and are the expected answer to damage; anything else escapes and is a fault of the engine.
void ExerciseTable(std::span<const uint8_t> input, const std::string& folder);

}  // namespace kartei::fuzz
