#pragma once

#include <string>

namespace kartei {

// What a database and its session need of a dataset that uses them, so that they know no dataset class:
// the database closes its users when it disconnects, and an auto-named session hands its name on to the
// datasets beside it on their owner.
class TDatabaseUser {
public:
    virtual const std::string& SessionName() const = 0;
    virtual void SetSessionName(std::string name) = 0;
    virtual void CloseDatabase() = 0;

protected:
    ~TDatabaseUser() = default;
};

}  // namespace kartei
