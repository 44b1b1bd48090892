// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace lyr {

// An advisory lock on a folder (a file ".lock" in it), tried once when made and held for as
// long as the object lives: two processes never hold the lock of one folder at once, so they
// never write the same files.
class FolderLock {
public:
    enum class State {
        Held,           // ours until the end
        HeldByAnother,  // another process holds it
        Unavailable,    // the folder takes no lock file (read-only, say); nothing is held
    };

    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    State LockState() const { return state_; }

private:
    int descriptor_ = -1;
    State state_ = State::Unavailable;
};

}  // namespace lyr
