// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/network_enumerator.h"

namespace lyr::test {

// Records as the Windows network reports them: domains, computers and the network provider
// are containers; shares are not.
NetResource Network(const std::string& name);
NetResource Domain(const std::string& name);
NetResource Server(const std::string& name);
NetResource Share(const std::string& name);

// A network neighbourhood held in memory, with faults to order. Containers are named by their
// records' remote names; "" is the top. Safe to use from the scan thread and the test at once.
class FakeNetwork final : public NetworkEnumerator {
public:
    struct Behaviour {
        std::uint32_t open_error = kNoError;
        // After this many records the next call fails with enum_error.
        std::optional<size_t> fail_after;
        std::uint32_t enum_error = 0;
        // The last records come with kErrorNoMoreItems instead of a call of their own.
        bool last_records_end_it = false;
        // Every call succeeds with no records, for ever.
        bool stall = false;
        // OpenEnum waits until Release.
        bool hold_open = false;
        // Runs inside OpenEnum, on the calling thread, before anything else.
        std::function<void()> on_open;
    };

    struct OpenCall {
        std::string container;
        std::uint32_t scope = 0;
        std::uint32_t type = 0;
        std::uint32_t usage = 0;
    };

    // Puts `record` into `container`, after the ones already there.
    void Add(const std::string& container, const NetResource& record);
    // Set up before the scan starts.
    Behaviour& BehaviourOf(const std::string& container);

    bool Holding();
    void Release();

    std::vector<OpenCall> Opens();
    std::vector<std::string> Opened();  // the containers of Opens()
    std::vector<std::uint32_t> RequestedCounts();
    size_t OpenHandles();

    std::uint32_t OpenEnum(std::uint32_t scope, std::uint32_t type, std::uint32_t usage,
                           const NetResource* container, Handle& handle) override;
    std::uint32_t EnumResource(Handle handle, std::uint32_t max_count,
                               std::vector<NetResource>& records) override;
    std::uint32_t CloseEnum(Handle handle) override;

private:
    struct Enumeration {
        std::string container;
        size_t delivered = 0;
    };

    std::mutex mutex_;
    std::condition_variable released_;
    std::map<std::string, std::vector<NetResource>> contents_;
    std::map<std::string, Behaviour> behaviours_;
    std::map<Handle, Enumeration> open_;
    Handle next_handle_ = 1;
    bool holding_ = false;
    bool released_flag_ = false;
    std::vector<OpenCall> opens_;
    std::vector<std::uint32_t> requested_counts_;
};

// WG1 with computers B and a (and a share on B), WG2 with C, under the network provider
// "Microsoft Windows Network"; the domains come as Windows gives them, in no particular order.
void AddTwoWorkgroups(FakeNetwork& network);

}  // namespace lyr::test
