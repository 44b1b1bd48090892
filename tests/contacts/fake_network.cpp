// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/fake_network.h"

#include <algorithm>

namespace lyr::test {
namespace {

NetResource Record(const std::string& name, std::uint32_t display_type, std::uint32_t usage) {
    NetResource record;
    record.Scope = kResourceGlobalNet;
    record.Type = kResourceTypeAny;
    record.DisplayType = display_type;
    record.Usage = usage;
    record.RemoteName = name;
    record.Provider = "Microsoft Windows Network";
    return record;
}

}  // namespace

NetResource Network(const std::string& name) {
    return Record(name, kResourceDisplayTypeNetwork, kResourceUsageContainer);
}
NetResource Domain(const std::string& name) {
    return Record(name, kResourceDisplayTypeDomain, kResourceUsageContainer);
}
NetResource Server(const std::string& name) {
    return Record(name, kResourceDisplayTypeServer, kResourceUsageContainer);
}
NetResource Share(const std::string& name) {
    return Record(name, kResourceDisplayTypeShare, kResourceUsageConnectable);
}

void AddTwoWorkgroups(FakeNetwork& network) {
    network.Add("", Network("Microsoft Windows Network"));
    network.Add("Microsoft Windows Network", Domain("WG2"));
    network.Add("Microsoft Windows Network", Domain("WG1"));
    network.Add("WG1", Server("\\\\B"));
    network.Add("WG1", Server("\\\\a"));
    network.Add("WG2", Server("\\\\C"));
    network.Add("\\\\B", Share("\\\\B\\public"));
}

void FakeNetwork::Add(const std::string& container, const NetResource& record) {
    std::lock_guard lock(mutex_);
    contents_[container].push_back(record);
}

FakeNetwork::Behaviour& FakeNetwork::BehaviourOf(const std::string& container) {
    std::lock_guard lock(mutex_);
    return behaviours_[container];
}

bool FakeNetwork::Holding() {
    std::lock_guard lock(mutex_);
    return holding_;
}

void FakeNetwork::Release() {
    std::lock_guard lock(mutex_);
    released_flag_ = true;
    released_.notify_all();
}

std::vector<FakeNetwork::OpenCall> FakeNetwork::Opens() {
    std::lock_guard lock(mutex_);
    return opens_;
}

std::vector<std::string> FakeNetwork::Opened() {
    std::vector<std::string> names;
    for (const auto& call : Opens()) {
        names.push_back(call.container);
    }
    return names;
}

std::vector<std::uint32_t> FakeNetwork::RequestedCounts() {
    std::lock_guard lock(mutex_);
    return requested_counts_;
}

size_t FakeNetwork::OpenHandles() {
    std::lock_guard lock(mutex_);
    return open_.size();
}

std::uint32_t FakeNetwork::OpenEnum(std::uint32_t scope, std::uint32_t type, std::uint32_t usage,
                                    const NetResource* container, Handle& handle) {
    const std::string name = container ? container->RemoteName : "";
    std::function<void()> on_open;
    {
        std::unique_lock lock(mutex_);
        opens_.push_back({name, scope, type, usage});
        const Behaviour& behaviour = behaviours_[name];
        on_open = behaviour.on_open;
        if (behaviour.hold_open) {
            holding_ = true;
            released_.wait(lock, [this] { return released_flag_; });
            holding_ = false;
        }
    }
    if (on_open) {
        on_open();
    }
    std::lock_guard lock(mutex_);
    if (const std::uint32_t error = behaviours_[name].open_error; error != kNoError) {
        return error;
    }
    handle = next_handle_++;
    open_[handle] = {name, 0};
    return kNoError;
}

std::uint32_t FakeNetwork::EnumResource(Handle handle, std::uint32_t max_count,
                                        std::vector<NetResource>& records) {
    std::lock_guard lock(mutex_);
    records.clear();
    requested_counts_.push_back(max_count);
    const auto found = open_.find(handle);
    if (found == open_.end()) {
        return 6;  // ERROR_INVALID_HANDLE
    }
    Enumeration& enumeration = found->second;
    const Behaviour& behaviour = behaviours_[enumeration.container];
    if (behaviour.stall) {
        return kNoError;
    }
    const std::vector<NetResource>& all = contents_[enumeration.container];
    size_t end = std::min(all.size(), enumeration.delivered + max_count);
    if (behaviour.fail_after) {
        if (enumeration.delivered >= *behaviour.fail_after) {
            return behaviour.enum_error;
        }
        end = std::min(end, *behaviour.fail_after);
    }
    records.assign(all.begin() + static_cast<std::ptrdiff_t>(enumeration.delivered),
                   all.begin() + static_cast<std::ptrdiff_t>(end));
    enumeration.delivered = end;
    const bool exhausted = end == all.size() && !behaviour.fail_after;
    if (records.empty() || (exhausted && behaviour.last_records_end_it)) {
        return kErrorNoMoreItems;
    }
    return kNoError;
}

std::uint32_t FakeNetwork::CloseEnum(Handle handle) {
    std::lock_guard lock(mutex_);
    return open_.erase(handle) == 1 ? kNoError : 6;
}

}  // namespace lyr::test
