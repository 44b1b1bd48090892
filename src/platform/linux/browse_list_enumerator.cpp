// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browse_list_enumerator.h"

#include <algorithm>
#include <thread>

#include "base/text.h"
#include "netbios/netbios_name.h"
#include "platform/codepage.h"

namespace lyr {
namespace {

// Further Windows values this enumerator answers with.
constexpr std::uint32_t kErrorInvalidHandle = 6;      // ERROR_INVALID_HANDLE
constexpr std::uint32_t kErrorInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
constexpr std::uint32_t kErrorNotContainer = 1207;    // ERROR_NOT_CONTAINER
constexpr std::uint32_t kResourceConnected = 1;       // RESOURCE_CONNECTED
constexpr std::uint32_t kResourceRemembered = 3;      // RESOURCE_REMEMBERED
constexpr const char* kProvider = "Microsoft Windows Network";

NetResource Container(std::uint32_t display_type, std::string remote_name, std::string comment) {
    NetResource record;
    record.Scope = kResourceGlobalNet;
    record.Type = kResourceTypeAny;
    record.DisplayType = display_type;
    record.Usage = kResourceUsageContainer;
    record.RemoteName = std::move(remote_name);
    record.Comment = std::move(comment);
    record.Provider = kProvider;
    return record;
}

}  // namespace

ServiceNeighbourhood::ServiceNeighbourhood(netbios::NetbiosService& service,
                                           std::chrono::milliseconds answer_wait,
                                           const Cancellation* cancellation)
    : service_(service), answer_wait_(answer_wait), cancellation_(cancellation) {}

void ServiceNeighbourhood::Refresh() {
    // Without the ports no answer can reach us, so there is nothing to wait for.
    if (!service_.RequestAnnouncements())
        return;
    // A browser's list is whole: once one answered, the announcements need not be waited for.
    const auto deadline = std::chrono::steady_clock::now() + answer_wait_;
    // A browser answers at once or not at all; the asking is not cancelled, so it is kept short
    // whatever the wait, and the end of the program never waits for it long.
    const auto browser_wait = std::min(answer_wait_, kBrowserAnswerWait);
    if (browser_wait.count() > 0 && service_.ListFromBrowsers(browser_wait))
        return;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return;
    if (cancellation_ != nullptr)
        cancellation_->Wait(left);
    else
        std::this_thread::sleep_for(left);
}

netbios::BrowseSnapshot ServiceNeighbourhood::Snapshot() {
    return service_.Neighbourhood().Snapshot();
}

BrowseListEnumerator::BrowseListEnumerator(NeighbourhoodSource& source) : source_(source) {}

std::vector<NetResource> BrowseListEnumerator::RecordsInside(const NetResource* container) {
    std::vector<NetResource> records;
    if (!container || container->DisplayType == kResourceDisplayTypeNetwork) {
        source_.Refresh();
        for (auto& workgroup : source_.Snapshot().workgroups) {
            records.push_back(Container(kResourceDisplayTypeDomain, std::move(workgroup), {}));
        }
    } else if (container->DisplayType == kResourceDisplayTypeDomain) {
        std::string workgroup =
            netbios::NetbiosUpper(WithoutLeadingBackslashes(container->RemoteName));
        for (const auto& computer : source_.Snapshot().ComputersOf(workgroup)) {
            // Comments are text, which stays in the ANSI code page here; names pass as they are.
            records.push_back(Container(kResourceDisplayTypeServer, "\\\\" + computer.name,
                                        OemToAnsi(computer.comment)));
        }
    }
    return records;
}

std::uint32_t BrowseListEnumerator::OpenEnum(std::uint32_t scope, std::uint32_t /*type*/,
                                             std::uint32_t usage, const NetResource* container,
                                             Handle& handle) {
    if (scope == kResourceConnected || scope == kResourceRemembered) {
        return kErrorNoMoreItems;  // this system connects to no shares
    }
    if (scope != kResourceGlobalNet) {
        return kErrorInvalidParameter;
    }
    if (container && !(container->Usage & kResourceUsageContainer)) {
        return kErrorNotContainer;
    }
    // Every record here is a container: a caller after connectable resources only finds none.
    if (usage != 0 && !(usage & kResourceUsageContainer)) {
        return kErrorNoMoreItems;
    }
    auto records = RecordsInside(container);
    if (records.empty()) {
        return kErrorNoMoreItems;
    }
    std::lock_guard lock(mutex_);
    handle = next_handle_++;
    open_.emplace(handle, Enumeration{std::move(records), 0});
    return kNoError;
}

std::uint32_t BrowseListEnumerator::EnumResource(Handle handle, std::uint32_t max_count,
                                                 std::vector<NetResource>& records) {
    records.clear();
    std::lock_guard lock(mutex_);
    auto found = open_.find(handle);
    if (found == open_.end()) {
        return kErrorInvalidHandle;
    }
    if (max_count == 0) {
        return kErrorInvalidParameter;  // a caller looping for more would never get any
    }
    Enumeration& enumeration = found->second;
    size_t left = enumeration.records.size() - enumeration.next;
    if (left == 0) {
        return kErrorNoMoreItems;
    }
    size_t count = std::min<size_t>(left, max_count);
    auto first = enumeration.records.begin() + static_cast<std::ptrdiff_t>(enumeration.next);
    records.assign(first, first + static_cast<std::ptrdiff_t>(count));
    enumeration.next += count;
    return kNoError;
}

std::uint32_t BrowseListEnumerator::CloseEnum(Handle handle) {
    std::lock_guard lock(mutex_);
    return open_.erase(handle) ? kNoError : kErrorInvalidHandle;
}

}  // namespace lyr
