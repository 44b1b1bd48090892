// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "contacts/user_data.h"

namespace lyr {

// The user list as the main window's controller uses it: loaded at start, saved at exit, asked
// whether it is empty, and walked by the send routine. UserList implements it for the real
// window; UsersFileList below is the plain list over users.dat.
class AddresseeList {
public:
    virtual ~AddresseeList() = default;

    virtual bool Empty() const = 0;
    virtual const std::vector<TUserData>& Entries() const = 0;
    // Replaces the list with the entries of users.dat and returns true; returns false and keeps
    // the list when the file is missing or not a users file. Throws lyr::Exception when the
    // file cannot be read.
    virtual bool ReadUsersFile() = 0;
    // Rewrites users.dat atomically. Throws lyr::Exception when it cannot.
    virtual void WriteUsersFile() const = 0;
};

// The list as the entries of users.dat, nothing more.
class UsersFileList final : public AddresseeList {
public:
    explicit UsersFileList(std::filesystem::path users_file) : users_file_(std::move(users_file)) {}

    bool Empty() const override { return entries_.empty(); }
    const std::vector<TUserData>& Entries() const override { return entries_; }
    bool ReadUsersFile() override;
    void WriteUsersFile() const override;

    void Replace(std::vector<TUserData> entries) { entries_ = std::move(entries); }

private:
    std::filesystem::path users_file_;
    std::vector<TUserData> entries_;
};

// The network scan as the start-up asks for it (NetworkScanner implements it).
class NetworkScanRequests {
public:
    virtual ~NetworkScanRequests() = default;

    virtual void StartNetworkScan() = 0;
    // Arms the repeating rescan timer when `auto_rescan` is on and `rescan_time` (milliseconds)
    // is above 0.
    virtual void ArmRescanTimer(bool auto_rescan, std::int32_t rescan_time) = 0;
};

}  // namespace lyr
