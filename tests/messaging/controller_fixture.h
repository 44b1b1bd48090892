// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/identity.h"
#include "app/options.h"
#include "messaging/fake_views.h"
#include "messaging/main_window_controller.h"
#include "platform/call_loop.h"
#include "platform/codepage.h"
#include "platform/linux/ini_profile.h"
#include "platform/linux/registry_file.h"
#include "support/temp_dir.h"
#include "transport/fake_mailslots.h"
#include "transport/messenger_datagram.h"

namespace lyr::test {

// A receive queue that never gets a message: its wait blocks until it is closed.
class IdleReceiver : public MailslotReceiver {
public:
    std::optional<MailslotInfo> Info() override { return std::nullopt; }
    std::optional<size_t> Read(std::span<char>) override { return std::nullopt; }
    bool Wait() override {
        std::unique_lock lock(mutex_);
        closed_changed_.wait(lock, [this] { return closed_; });
        return false;
    }
    void Close() override {
        std::lock_guard lock(mutex_);
        closed_ = true;
        closed_changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable closed_changed_;
    bool closed_ = false;
};

// A receive queue that holds datagrams whose hand-over never comes, as while the UI thread is
// held in a modal window: its wait reports none of them, only a read on the UI thread takes them.
class HeldQueueReceiver : public IdleReceiver {
public:
    explicit HeldQueueReceiver(std::deque<std::string> queued) : queued_(std::move(queued)) {}
    std::optional<MailslotInfo> Info() override {
        if (queued_.empty()) {
            return MailslotInfo{};
        }
        return MailslotInfo{static_cast<uint32_t>(queued_.front().size()),
                            static_cast<uint32_t>(queued_.size())};
    }
    std::optional<size_t> Read(std::span<char> buffer) override {
        if (queued_.empty()) {
            return std::nullopt;
        }
        const std::string message = std::move(queued_.front());
        queued_.pop_front();
        std::copy_n(message.begin(), std::min(buffer.size(), message.size()), buffer.begin());
        return message.size();
    }

private:
    std::deque<std::string> queued_;
};

// Mailslots of the test: "messngr" can be created unless another receiver holds it.
class MessengerMailslotsBase : public FakeMailslots {
public:
    std::unique_ptr<MailslotReceiver> Create(const std::string&, int32_t,
                                             MailslotCreateError& error) override {
        if (another_receiver) {
            error = MailslotCreateError::AlreadyExists;
            return nullptr;
        }
        if (out_of_descriptors) {
            error = MailslotCreateError::CannotOpen;
            errno = EMFILE;
            return nullptr;
        }
        return std::make_unique<HeldQueueReceiver>(held);
    }
    bool another_receiver = false;
    bool out_of_descriptors = false;
    std::deque<std::string> held;  // datagrams waiting in the queue from its creation on
};

// ... and writes are recorded (FakeMailslots), except to computers that are not there.
class MessengerMailslots : public MessengerMailslotsBase {
public:
    // A computer that is not there: its mailslot cannot be opened.
    std::unique_ptr<MailslotWriteHandle> OpenForWrite(const std::string& name) override {
        for (const std::string& server : unreachable) {
            if (name == MakeMailslotPath(server, kMessengerSlot)) {
                opened.push_back(name);
                return nullptr;
            }
        }
        return FakeMailslots::OpenForWrite(name);
    }

    std::vector<std::string> unreachable;
};

inline std::string Ansi(const std::string& utf8) {
    return Utf8ToAnsi(utf8);
}

inline std::string Oem(const std::string& utf8) {
    return AnsiToOem(Utf8ToAnsi(utf8));
}

// One copy of the program against fakes of the screen and of the platform, with real settings,
// identity, data files and stores in a temporary directory. Settings are given before Start, as
// they stand in the settings file when the program starts.
class ControllerHarness {
public:
    ControllerHarness() : data_dir_(temp_.Path().string() + "/") { ReopenOptions(); }

    // A setting as the settings file holds it before the start.
    void Preset(const std::string& name, std::int32_t value) {
        registry_->WriteInteger(name, value);
        ReopenOptions();
    }
    void PresetIdentity(const std::string& key, const std::string& value) {
        identity_file_.WriteString(kIdentitySection, key, value);
    }

    // Creates the controller and runs the start-up.
    MainWindowController& Start() {
        controller_ = std::make_unique<MainWindowController>(views_->Views(), Services());
        controller_->FormCreate();
        return *controller_;
    }
    // The shutdown, then a fresh start with new views over the same files and settings.
    MainWindowController& Restart() {
        controller_->FormDestroy();
        controller_.reset();
        views_ = std::make_unique<FakeViews>();
        ReopenOptions();
        return Start();
    }

    MainWindowController& Controller() { return *controller_; }
    TOptions& Options() { return *options_; }
    FakeViews& View() { return *views_; }

    // A datagram to this computer as the endpoint hands it over, the text given in UTF-8.
    void Receive(const std::string& sender, const std::string& text) {
        controller_->MainSlotMessage({.sender = sender, .receiver = "TESTPC", .text = Oem(text)});
    }

    // The messenger datagrams written, taken apart.
    std::vector<MessengerMessage> Sent() const {
        std::vector<MessengerMessage> sent;
        for (const std::string& bytes : mailslots_.written) {
            sent.push_back(SplitMessengerDatagram(bytes));
        }
        return sent;
    }

    std::filesystem::path DataFile(const std::string& name) const { return data_dir_ + name; }

    // Takes the datagrams written so far, leaving none.
    std::vector<MessengerMessage> TakeSent() {
        std::vector<MessengerMessage> sent = Sent();
        mailslots_.written.clear();
        mailslots_.opened.clear();
        return sent;
    }

    MainWindowServices Services() {
        return {.options = *options_,
                .identity = identity_,
                .identity_file = identity_file_,
                .data_dir = data_dir_,
                .mailslots = real_mailslots_ ? *real_mailslots_ : mailslots_,
                .ui_thread = real_ui_thread_ ? *real_ui_thread_ : ui_thread_,
                .messenger_service = views_->service,
                .user_list = user_list_,
                .network_scan = views_->scan,
                .send_in_background = send_in_background_,
                .computer_name = [this] { return computer_name_; },
                .workgroup = [this] { return workgroup_; },
                .mailslot_holder = [this](std::string_view) { return mailslot_holder_; },
                .tick = [this] { return tick_; }};
    }

    void ReopenOptions() {
        options_.reset();
        registry_ = std::make_unique<RegistryFile>(
            temp_ / "settings.reg", "HKEY_CURRENT_USER\\" + std::string(kOptionsKey));
        options_ = std::make_unique<TOptions>(*registry_, SpecialFolders{});
    }

    TempDir temp_;
    std::string data_dir_;
    std::unique_ptr<RegistryFile> registry_;
    std::unique_ptr<TOptions> options_;
    Identity identity_;
    IniProfile identity_file_{data_dir_ + kIdentityFileName};
    MessengerMailslots mailslots_;
    CallLoop ui_thread_;
    // Real ones in place of the fakes above, for the tests of the real endpoint.
    MailslotSystem* real_mailslots_ = nullptr;
    UiThread* real_ui_thread_ = nullptr;
    bool send_in_background_ = false;
    std::unique_ptr<FakeViews> views_ = std::make_unique<FakeViews>();
    UsersFileList user_list_{data_dir_ + "users.dat"};
    std::optional<std::string> computer_name_ = "TESTPC";
    std::string workgroup_ = "TESTGROUP";
    std::string mailslot_holder_ = "lyrnet (процесс 42)";
    std::uint32_t tick_ = 5000;
    std::unique_ptr<MainWindowController> controller_;
};

class ControllerFixture : public ::testing::Test, public ControllerHarness {};

}  // namespace lyr::test
