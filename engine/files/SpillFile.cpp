#include "engine/files/SpillFile.h"

#include <algorithm>

#include "base/ScopeGuard.h"

namespace kartei {
namespace {

// Bytes copied to the table file with one write at most.
constexpr size_t kRunBytes = 256 * 1024;

}  // namespace

void TSpillFile::Configure(std::string fileName, size_t imageSize) {
    Forget();
    name_ = std::move(fileName);
    imageSize_ = imageSize;
}

void TSpillFile::Put(uint32_t firstKey, const uint8_t* images, size_t count) {
    if (!file_.IsOpen()) {
        file_.Create(name_);
    }
    {
        TFileGuard guard(file_);
        file_.Seek(static_cast<int64_t>(firstKey) * static_cast<int64_t>(imageSize_), TSeekOrigin::Start);
        file_.Write(images, count * imageSize_);
    }
    const size_t end = size_t{firstKey} + count;
    if (held_.size() < end) {
        held_.resize(std::max(end, held_.size() * 2));
    }
    for (size_t key = firstKey; key < end; ++key) {
        heldCount_ += held_[key] ? 0 : 1;
        held_[key] = true;
    }
}

void TSpillFile::Get(uint32_t key, uint8_t* image) {
    TFileGuard guard(file_);
    file_.Seek(static_cast<int64_t>(key) * static_cast<int64_t>(imageSize_), TSeekOrigin::Start);
    file_.Read(image, imageSize_);
}

void TSpillFile::CopyTo(TFileHandler& target, int64_t base) {
    const size_t maxRun = std::max<size_t>(1, kRunBytes / imageSize_);
    size_t key = 0;
    while (key < held_.size()) {
        if (!held_[key]) {
            ++key;
            continue;
        }
        size_t end = key + 1;
        while (end < held_.size() && held_[end] && end - key < maxRun) {
            ++end;
        }
        const size_t bytes = (end - key) * imageSize_;
        const int64_t at = static_cast<int64_t>(key * imageSize_);
        run_.Reserve(bytes);
        {
            TFileGuard guard(file_);
            file_.Seek(at, TSeekOrigin::Start);
            file_.Read(run_.Data(), bytes);
        }
        {
            TFileGuard guard(target);
            target.Seek(base + at, TSeekOrigin::Start);
            target.Write(run_.Data(), bytes);
        }
        key = end;
    }
}

void TSpillFile::Forget() {
    held_.clear();
    held_.shrink_to_fit();
    heldCount_ = 0;
    run_.Release();
    if (file_.IsOpen()) {
        // A file left over hurts nobody: the next spill replaces it.
        RunQuietly([this] {
            file_.Close();
            file_.Delete(name_);
        });
    }
}

void TSpillFile::DeleteLeftover(std::string_view fileName) {
    TFileHandler file;
    if (file.Exists(fileName)) {
        file.Delete(fileName);
    }
}

}  // namespace kartei
