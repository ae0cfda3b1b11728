#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/files/EngineMemory.h"
#include "engine/files/FileHandler.h"

namespace kartei {

// Changed images that a transaction cannot keep in memory (index pages, records), held as the table file
// will hold them: each at key × image size in a temporary file beside the table file, so that neighbours
// there are neighbours here and the file takes room only for what was put. Nothing reaches the table file
// before CopyTo (the commit); Forget (a rollback, a close) deletes the file. Only the holder of a table's
// transaction lock makes one, so the file is made on the first Put, replacing one that a process which
// died in a transaction left behind. Failures raise the file handler's errors with the spill file's name.
class TSpillFile {
public:
    // Images of `imageSize` bytes in the file `fileName`; what was held is forgotten.
    void Configure(std::string fileName, size_t imageSize);
    bool Empty() const { return heldCount_ == 0; }
    bool Holds(uint32_t key) const { return key < held_.size() && held_[key]; }
    // Puts `count` images for the keys from `firstKey` on. A failed write leaves what is held as it was,
    // apart from the bytes of those keys.
    void Put(uint32_t firstKey, const uint8_t* images, size_t count);
    // The image of a held key.
    void Get(uint32_t key, uint8_t* image);
    // Writes every held image to `target` at `base` + key × image size, in runs of consecutive keys.
    void CopyTo(TFileHandler& target, int64_t base);
    // Deletes the file and forgets every image.
    void Forget();

    // Deletes a spill file of that name that a process which died in a transaction left behind.
    static void DeleteLeftover(std::string_view fileName);

private:
    TFileHandler file_;
    std::string name_;
    size_t imageSize_ = 0;
    std::vector<bool> held_;
    size_t heldCount_ = 0;
    TEngineBuffer run_{1};
};

}  // namespace kartei
