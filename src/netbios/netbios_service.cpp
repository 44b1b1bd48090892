// SPDX-License-Identifier: GPL-3.0-or-later
// The service's life: start and end, its thread and timers, its status and log; the name
// service, the datagram service and the sockets have files of their own.
#include "netbios/netbios_service.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <system_error>

#include "netbios/kept_browse_list.h"
#include "netbios/netbios_service_shared.h"
#include "netbios/port_holder.h"

namespace lyr::netbios {
namespace {

using Clock = std::chrono::steady_clock;

// A flood of forged name packets must not flood the log: so many lines a minute, then a count.
constexpr int kIgnoredLinesPerMinute = 10;

std::string BindProblem(uint16_t port, int error) {
    return PortBindProblem(
        false, port, error,
        ", so messages from other computers cannot reach this one; messages on this computer and "
        "messages to other computers still work.",
        "another program (perhaps Samba's nmbd, or another copy of the messenger)",
        "Stop that program (for Samba: sudo systemctl stop nmbd): the ports are taken over "
        "once they are free.");
}

std::string RussianPortProblem(const NetworkStatus& status,
                               const std::optional<PortHolder>& holder) {
    if (status.failed_port == 0) {
        return "Сокет UDP не открывается: сообщения доходят только внутри этого компьютера";
    }
    std::string port = "Порт UDP " + std::to_string(status.failed_port);
    switch (status.error_number) {
        case EADDRINUSE:
            return port + " занят " +
                   (holder ? DescribePortHolderRu(*holder) : "другой программой");
        case EACCES:
            return port +
                   " доступен только администратору или программе с правом "
                   "CAP_NET_BIND_SERVICE";
        default:
            return port + " не открывается (ошибка " + std::to_string(status.error_number) + ")";
    }
}

std::string RussianNameProblem(const HeldName& held) {
    std::string name = "Имя " + held.name.ToString();
    std::string by = FormatAddress(held.refused_by);
    if (held.state == NameState::Conflict) {
        return name + " в конфликте с " + by;
    }
    return name +
           (held.refused_by_name_server ? " отвергнуто сервером имён "
                                        : " отвергнуто компьютером ") +
           by;
}

}  // namespace

NetbiosService::NetbiosService(ServiceConfig config, MailslotWriteReceiver receiver,
                               SessionMessageReceiver session_receiver)
    : config_(std::move(config)),
      receiver_(std::move(receiver)),
      session_receiver_(std::move(session_receiver)),
      browse_list_(config_.computer_name, config_.workgroup, config_.server_type,
                   [this](std::string_view line) { Log(std::string(line)); }),
      receive_batch_(std::make_unique<ReceiveBatch>()) {
    std::random_device random;
    next_datagram_id_ = static_cast<uint16_t>(random());
    next_transaction_id_ = static_cast<uint16_t>(random());
    // Without it the thread could never be told to stop.
    wake_fd_.reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wake_fd_) {
        throw std::system_error(errno, std::system_category(),
                                "NetBIOS service: no eventfd to wake its thread with");
    }
    OpenSockets();
    RestoreKeptBrowseList();
    if (status_.network_owner) {
        StartOwnerDuties();
    }
    thread_ = std::thread([this] { Run(); });
}

NetbiosService::~NetbiosService() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    Wake();
    thread_.join();
    KeepBrowseList();
    if (refused_large_ > 0 || refused_session_ > 0 || kernel_drops_ > 0) {
        Log(std::to_string(refused_large_) + " mailslot writes longer than " +
            std::to_string(kLongestNetworkMailslotData) + " bytes and " +
            std::to_string(refused_session_) + " session messages longer than " +
            std::to_string(kMaxSessionMessageText) + " bytes were refused, and " +
            std::to_string(kernel_drops_) +
            " datagrams were dropped by the kernel for want of room in the socket's buffer");
    }
    // The service thread may have made it.
    session_listener_.reset();
    name_socket_.reset();
    datagram_socket_.reset();
    wake_fd_.reset();
}

void NetbiosService::NotePortProblem(uint16_t port, int error) {
    // Looked up before the lock: the holder is found by a walk through /proc.
    auto holder = error == EADDRINUSE ? FindUdpPortHolder(port) : std::nullopt;
    std::string problem = BindProblem(port, error);
    std::lock_guard lock(mutex_);
    status_.failed_port = port;
    status_.error_number = error;
    status_.problem = std::move(problem);
    port_holder_ = std::move(holder);
}

void NetbiosService::StartOwnerDuties() {
    auto now = Now();
    size_t count = 0;
    {
        std::lock_guard lock(mutex_);
        names_.push_back({NetbiosName::Make(config_.computer_name, kWorkstationSuffix), false});
        names_.push_back({NetbiosName::Make(config_.computer_name, kMessengerSuffix), false});
        names_.push_back({NetbiosName::Make(config_.workgroup, kWorkstationSuffix), true});
        count = names_.size();
    }
    for (size_t i = 0; i < count; ++i) {
        registrations_.push_back({i, NextTransactionId(), 0, now});
        if (!config_.name_servers.empty()) {
            ServerRegistration at_server;
            at_server.name_index = i;
            at_server.transaction_id = NextTransactionId();
            at_server.next_try = now;
            server_registrations_.push_back(at_server);
        }
    }
    AnnouncerSettings announcer{config_.computer_name, config_.workgroup, config_.server_type,
                                config_.announcement_intervals,
                                config_.announcement_answer_delay_max};
    browser_ = std::make_unique<Browser>(
        std::move(announcer), browse_list_,
        [this](const NetbiosName& destination, std::string_view smb) {
            return SendDatagram(DatagramType::DirectGroup, destination, std::nullopt, smb);
        },
        [engine = std::mt19937(std::random_device()())](std::chrono::milliseconds max) mutable {
            return std::chrono::milliseconds(
                std::uniform_int_distribution<long long>(0, max.count())(engine));
        });
    if (session_receiver_) {
        SessionConversation::Settings settings{
            config_.computer_name, config_.scope,
            [this](const NetbiosName& name) { return HoldsActive(name, nullptr, true); }};
        session_listener_ = std::make_unique<SessionListener>(
            config_.session, std::move(settings), session_receiver_,
            [this](uint32_t source, size_t length) { NoteRefusedSessionMessage(source, length); });
        std::lock_guard lock(mutex_);
        status_.session_port = session_listener_->Listening() ? session_listener_->Port() : 0;
        status_.session_problem = session_listener_->Problem();
    }
}

NetworkStatus NetbiosService::Status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

void NetbiosService::SetStatusListener(std::function<void()> listener) {
    std::lock_guard lock(listener_mutex_);
    status_listener_ = std::move(listener);
}

void NetbiosService::StatusChanged() {
    names_changed_.notify_all();
    std::function<void()> listener;
    {
        std::lock_guard lock(listener_mutex_);
        listener = status_listener_;
    }
    if (listener) {
        listener();
    }
}

std::string NetbiosService::ReceivingProblem() const {
    if (config_.mode == ServiceMode::Client) {
        return {};
    }
    std::lock_guard lock(mutex_);
    if (!status_.network_owner) {
        return RussianPortProblem(status_, port_holder_);
    }
    for (const auto& held : names_) {
        // A group name is never refused: its messages reach every member.
        bool refused = held.state == NameState::Refused || held.state == NameState::Conflict ||
                       (held.state == NameState::Registering && held.refused_by != 0);
        if (refused && !held.group) {
            return RussianNameProblem(held);
        }
    }
    return {};
}

void NetbiosService::Log(const std::string& line) const {
    if (config_.log) {
        config_.log(line);
    }
}

void NetbiosService::LogIgnored(const std::string& line) {
    auto now = Now();
    if (now >= ignored_window_end_) {
        if (ignored_unlogged_ > 0) {
            Log("ignored " + std::to_string(ignored_unlogged_) +
                " more name packets without a line each");
        }
        ignored_window_end_ = now + std::chrono::minutes(1);
        ignored_logged_ = 0;
        ignored_unlogged_ = 0;
    }
    if (ignored_logged_ < kIgnoredLinesPerMinute) {
        ++ignored_logged_;
        Log(line);
    } else {
        ++ignored_unlogged_;
    }
}

Clock::time_point NetbiosService::RunRecovery(Clock::time_point now) {
    bool ports_held = config_.mode == ServiceMode::Owner && !status_.network_owner;
    bool names_refused = false;
    {
        std::lock_guard lock(mutex_);
        names_refused = std::any_of(names_.begin(), names_.end(), [](const HeldName& held) {
            return !held.group &&
                   (held.state == NameState::Refused || held.state == NameState::Conflict);
        });
    }
    if (!ports_held && !names_refused) {
        next_recovery_ = {};
        return Clock::time_point::max();
    }
    auto interval =
        std::max<std::chrono::milliseconds>(config_.retry_interval, std::chrono::milliseconds(100));
    if (next_recovery_ == Clock::time_point{}) {
        next_recovery_ = now + interval;
    }
    if (now < next_recovery_) {
        return next_recovery_;
    }
    next_recovery_ = now + interval;
    if (ports_held) {
        TakeOverPorts();
    } else {
        RegisterRefusedNamesAgain(now);
    }
    return next_recovery_;
}

Clock::time_point NetbiosService::Now() const {
    return config_.clock ? config_.clock() : Clock::now();
}

void NetbiosService::TimeMoved() {
    Wake();
}

void NetbiosService::Run() {
    MarkServiceThread();
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                break;
            }
            for (auto& query : new_queries_) {
                query->transaction_id = NextTransactionId();
                query->next_try = Now();
                queries_.push_back(std::move(query));
            }
            new_queries_.clear();
        }
        auto next = RunTimers();
        int timeout = -1;
        if (next != Clock::time_point::max()) {
            auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Now()).count();
            timeout = static_cast<int>(std::clamp<long long>(wait, 0, 60000));
        }
        pollfd entries[] = {{wake_fd_.get(), POLLIN, 0},
                            {name_socket_.get(), POLLIN, 0},
                            {datagram_socket_.get(), POLLIN, 0}};
        int ready = ::poll(entries, 3, timeout);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (entries[0].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] ssize_t read = ::read(wake_fd_.get(), &count, sizeof count);
        }
        if (entries[1].revents & POLLIN) {
            ReceiveNamePackets();
        }
        if (entries[2].revents & POLLIN) {
            ReceiveDatagrams();
        }
    }
    if (browser_) {
        browser_->Stop();
    }
    ReleaseNames();
    for (auto& query : queries_) {
        query->answer.set_value(std::nullopt);
    }
    std::lock_guard lock(mutex_);
    for (auto& query : new_queries_) {
        query->answer.set_value(std::nullopt);
    }
    new_queries_.clear();
}

Clock::time_point NetbiosService::RunTimers() {
    auto now = Now();
    auto next = Clock::time_point::max();
    for (auto it = registrations_.begin(); it != registrations_.end();) {
        if (it->next_try <= now) {
            if (it->tries_sent < config_.registration_tries) {
                SendRegistrationRound(*it);
            } else {
                // Nobody on the subnet objected.
                size_t index = it->name_index;
                it = registrations_.erase(it);
                Settle(index);
                continue;
            }
        }
        next = std::min(next, it->next_try);
        ++it;
    }
    for (auto it = queries_.begin(); it != queries_.end();) {
        auto& query = **it;
        if (query.next_try <= now) {
            if (query.tries_sent >= config_.query_tries && !query.node_status_of &&
                query.step < config_.name_servers.size()) {
                ++query.step;  // this server is silent: the next one, at last the subnet
                query.tries_sent = 0;
            }
            if (query.tries_sent >= config_.query_tries) {
                query.answer.set_value(std::nullopt);
                it = queries_.erase(it);
                continue;
            }
            if (!query.node_status_of && query.step == config_.name_servers.size() &&
                query.tries_sent == 0 && !AnyBroadcastInterface()) {
                query.answer.set_value(std::nullopt);
                it = queries_.erase(it);
                continue;
            }
            ++query.tries_sent;
            query.next_try = now + config_.query_interval;
            if (query.node_status_of) {
                SendNamePacket(
                    MakeNodeStatusRequest(query.transaction_id, {query.name, config_.scope}),
                    *query.node_status_of, config_.name_service_port);
            } else if (query.step < config_.name_servers.size()) {
                query.next_try = now + config_.name_server_interval;
                SendNamePacket(
                    MakeNameQuery(query.transaction_id, {query.name, config_.scope}, false),
                    config_.name_servers[query.step], NameServerPort());
            } else {
                NamePacket packet =
                    MakeNameQuery(query.transaction_id, {query.name, config_.scope}, true);
                BroadcastNamePacket([&](uint32_t) { return packet; });
            }
        }
        next = std::min(next, query.next_try);
        ++it;
    }
    next = std::min(next, RunServerTimers(now));
    next = std::min(next, RunRecovery(now));
    return std::min(next, RunBrowserTimers(now));
}

void NetbiosService::RestoreKeptBrowseList() {
    if (config_.mode != ServiceMode::Owner || !config_.read_kept_browse_list) {
        return;
    }
    if (auto text = config_.read_kept_browse_list()) {
        browse_list_.Restore(ParseKeptBrowseList(*text, std::chrono::system_clock::now()), Now());
    }
    kept_generation_ = browse_list_.Generation();
}

void NetbiosService::KeepBrowseList() {
    if (config_.mode != ServiceMode::Owner || !config_.keep_browse_list ||
        browse_list_.Generation() == kept_generation_) {
        return;
    }
    kept_generation_ = browse_list_.Generation();
    config_.keep_browse_list(
        KeptBrowseListText(browse_list_.Heard(Now()), std::chrono::system_clock::now()));
}

Clock::time_point NetbiosService::RunBrowserTimers(Clock::time_point now) {
    auto next = browse_list_.Expire(now);
    // Written soon after a change, so that a run that ends without a word leaves it too.
    if (config_.keep_browse_list && browse_list_.Generation() != kept_generation_) {
        if (now >= next_keep_) {
            KeepBrowseList();
            next_keep_ = now + config_.keep_interval;
        } else {
            next = std::min(next, next_keep_);
        }
    }
    if (!browser_) {
        return next;
    }
    // Announced is the name we hold: not before it is registered, never when it was refused.
    bool at_servers = std::any_of(
        server_registrations_.begin(), server_registrations_.end(), [](const auto& registration) {
            return registration.step == ServerRegistration::Step::Registering;
        });
    if (!announcing_settled_ && registrations_.empty() && !at_servers) {
        announcing_settled_ = true;
        if (config_.announce &&
            HoldsActive(NetbiosName::Make(config_.computer_name, kWorkstationSuffix))) {
            browser_->Start(now);
        }
    }
    return std::min(next, browser_->RunTimers(now));
}

}  // namespace lyr::netbios
