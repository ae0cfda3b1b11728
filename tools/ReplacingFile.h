#pragma once

#include <string>

namespace kartei::tools {

// A file that appears at its target only once complete: it is written under a temporary name in the
// target's folder and moved over the target by Commit, so that readers never see half of it and a failure
// leaves the target as it was. Without Commit the temporary file goes again.
class TReplacingFile {
public:
    // Creates the empty temporary file (with the permissions a new file gets); EToolError when the folder
    // takes none.
    explicit TReplacingFile(std::string target);
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    const std::string& TemporaryPath() const { return temporary_; }
    // Makes the written file durable and moves it over the target (replacing a file there).
    void Commit();

private:
    std::string target_;
    std::string temporary_;
    bool committed_ = false;
};

}  // namespace kartei::tools
