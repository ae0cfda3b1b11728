#pragma once

#include <stdexcept>
#include <string>

namespace kartei::tools {

// Exit statuses of the tool, the same for every subcommand.
namespace ExitStatus {
constexpr int Ok = 0;
// The table is not sound: verification found something, or the file is damaged or not a table at all.
constexpr int Damaged = 1;
// The command line is wrong.
constexpr int Usage = 2;
// Input the tool cannot use: a missing file, an unknown index, a bad CSV file or value, a refused write.
constexpr int BadInput = 3;
}  // namespace ExitStatus

// A failure the tool reports in one line on stderr and ends with `status`. Messages are UTF-8.
class EToolError : public std::runtime_error {
public:
    EToolError(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int Status() const { return status_; }

private:
    int status_;
};

inline EToolError UsageError(const std::string& message) {
    return EToolError(ExitStatus::Usage, message);
}
inline EToolError InputError(const std::string& message) {
    return EToolError(ExitStatus::BadInput, message);
}
inline EToolError DamagedError(const std::string& message) {
    return EToolError(ExitStatus::Damaged, message);
}

}  // namespace kartei::tools
