// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/network_search.h"

#include <string>
#include <string_view>
#include <utility>

#include "base/text.h"

namespace lyr {
namespace {

// A name as the user list keeps it: without the backslashes, at most kMaxUserField bytes.
std::string EntryName(std::string_view remote_name) {
    return std::string(WithoutLeadingBackslashes(remote_name).substr(0, kMaxUserField));
}

// One walk through the neighbourhood: the entries found so far, unsorted, and the group whose
// computers are being listed.
class NeighbourhoodWalk {
public:
    NeighbourhoodWalk(NetworkEnumerator& enumerator, const std::atomic<bool>& stop)
        : enumerator_(enumerator), stop_(stop) {}

    std::vector<TUserData> TakeEntries() { return std::move(entries_); }

    void EnumerateContainer(const NetResource* container, int depth) {
        if (depth > kMaxContainerDepth || Stopped()) {
            return;
        }
        NetworkEnumerator::Handle handle = 0;
        if (enumerator_.OpenEnum(kResourceGlobalNet, kResourceTypeAny, 0, container, handle) !=
            kNoError) {
            return;
        }
        std::vector<NetResource> records;
        std::uint32_t result = kNoError;
        // Any code but kNoError ends the container; so does a call that delivers nothing, which
        // could otherwise repeat for ever.
        while (result == kNoError && !Stopped()) {
            records.clear();
            result = enumerator_.EnumResource(handle, kRecordsPerCall, records);
            if (result != kNoError && result != kErrorNoMoreItems) {
                break;
            }
            if (records.empty()) {
                break;
            }
            if (records.size() > kRecordsPerCall) {
                records.resize(kRecordsPerCall);
            }
            for (const auto& record : records) {
                TakeRecord(record, depth);
            }
        }
        enumerator_.CloseEnum(handle);
    }

private:
    bool Stopped() const { return stop_.load(std::memory_order_relaxed); }

    void TakeRecord(const NetResource& record, int depth) {
        if (record.DisplayType == kResourceDisplayTypeDomain) {
            AddGroupEntry(record);
        }
        if (record.DisplayType != kResourceDisplayTypeServer &&
            (record.Usage & kResourceUsageContainer) != 0) {
            EnumerateContainer(&record, depth + 1);
        }
        if (record.DisplayType == kResourceDisplayTypeServer) {
            AddComputerEntry(record);
        }
    }

    void AddGroupEntry(const NetResource& record) {
        current_group_ = EntryName(record.RemoteName);
        TUserData entry;
        entry.Name = current_group_;
        entry.Group = current_group_;
        entry.Kind = TUserData::kGroup;
        entries_.push_back(std::move(entry));
    }

    // A computer listed before any domain has an empty group.
    void AddComputerEntry(const NetResource& record) {
        TUserData entry;
        entry.Name = EntryName(record.RemoteName);
        entry.Group = current_group_;
        entry.Kind = TUserData::kComputer;
        entries_.push_back(std::move(entry));
    }

    NetworkEnumerator& enumerator_;
    const std::atomic<bool>& stop_;
    std::vector<TUserData> entries_;
    std::string current_group_;
};

}  // namespace

std::vector<TUserData> SearchNetwork(NetworkEnumerator& enumerator, const std::atomic<bool>& stop) {
    NeighbourhoodWalk walk(enumerator, stop);
    walk.EnumerateContainer(nullptr, 0);
    std::vector<TUserData> entries = walk.TakeEntries();
    SortBySortKey(entries);
    entries.insert(entries.begin(), WholeNetworkEntry());
    return entries;
}

std::vector<TUserData> SearchNetwork(NetworkEnumerator& enumerator) {
    const std::atomic<bool> never_stopped = false;
    return SearchNetwork(enumerator, never_stopped);
}

}  // namespace lyr
