// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mailslot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "base/ascii_case.h"
#include "platform/linux/linux_mailslot_system.h"
#include "platform/linux/local_mailslot.h"
#include "platform/linux/local_mailslot_receiver.h"
#include "support/child_process.h"
#include "support/ui_loop.h"

namespace lyr {
namespace {

using test::UniqueSlot;

std::string LocalPath(const std::string& slot) {
    return "\\\\.\\mailslot\\" + slot;
}

std::string ReadNext(MailslotReceiver& receiver) {
    auto info = receiver.Info();
    if (!info || info->message_count == 0) {
        return "<none>";
    }
    std::string message(info->next_size, '\0');
    auto size = receiver.Read(message);
    return size && *size == message.size() ? message : "<bad read>";
}

bool Write(MailslotSystem& system, const std::string& path, std::string_view data) {
    auto handle = system.OpenForWrite(path);
    if (!handle) {
        return false;
    }
    auto written = handle->Write(data);
    return written && *written == data.size();
}

class RecordingNetwork : public MailslotNetwork {
public:
    bool WriteRemote(const std::string& server, const std::string& slot,
                     std::string_view data) override {
        writes.push_back(server + "|" + slot + "|" + std::string(data));
        return accept;
    }
    std::vector<std::string> writes;
    bool accept = true;
};

TEST(MailslotPathTest, SplitsServerAndSlotAndRefusesOtherNames) {
    auto path = ParseMailslotPath("\\\\PC1\\MailSlot\\dir\\messngr");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->server, "PC1");
    EXPECT_EQ(path->slot, "dir\\messngr");
    for (const char* bad : {"", "\\\\", "\\.\\mailslot\\a", "\\\\.\\mailslot\\", "\\\\.\\pipe\\a",
                            "\\\\\\mailslot\\a", "\\\\.\\mailslotx\\a", "\\\\.mailslot\\a"}) {
        EXPECT_FALSE(ParseMailslotPath(bad)) << bad;
    }
    EXPECT_EQ(MakeMailslotPath(".", "messngr"), "\\\\.\\mailslot\\messngr");
}

class LocalMailslotTest : public ::testing::Test {
protected:
    std::unique_ptr<MailslotReceiver> CreateOrFail(const std::string& slot, int32_t max_size = 0) {
        MailslotCreateError error{};
        auto receiver = system_.Create(LocalPath(slot), max_size, error);
        EXPECT_TRUE(receiver) << "create failed with " << static_cast<int>(error);
        return receiver;
    }
    std::optional<MailslotCreateError> CreateError(const std::string& path) {
        MailslotCreateError error{};
        auto receiver = system_.Create(path, 0, error);
        if (receiver) {
            return std::nullopt;
        }
        return error;
    }

    RecordingNetwork network_;
    LinuxMailslotSystem system_{"MYPC", &network_};
};

TEST_F(LocalMailslotTest, KeepsMessageBoundariesAndReportsTheNextSize) {
    std::string slot = UniqueSlot("boundaries");
    auto receiver = CreateOrFail(slot);
    ASSERT_TRUE(receiver);
    EXPECT_EQ(receiver->Info()->message_count, 0u);
    ASSERT_TRUE(Write(system_, LocalPath(slot), "abc"));
    ASSERT_TRUE(Write(system_, LocalPath(slot), ""));
    ASSERT_TRUE(Write(system_, LocalPath(slot), std::string("de\0fgh", 6)));

    auto info = receiver->Info();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->next_size, 3u);
    EXPECT_EQ(info->message_count, 3u);
    // Asking again takes nothing out.
    EXPECT_EQ(receiver->Info()->next_size, 3u);
    EXPECT_EQ(ReadNext(*receiver), "abc");
    // An empty message is a message too.
    EXPECT_EQ(receiver->Info()->message_count, 2u);
    EXPECT_EQ(ReadNext(*receiver), "");
    EXPECT_EQ(ReadNext(*receiver), std::string("de\0fgh", 6));
    EXPECT_EQ(receiver->Info()->message_count, 0u);
}

TEST_F(LocalMailslotTest, ReadTakesOneWholeMessageEvenWhenTheBufferIsShort) {
    std::string slot = UniqueSlot("short-buffer");
    auto receiver = CreateOrFail(slot);
    ASSERT_TRUE(receiver);
    std::string big(70000, 'x');
    ASSERT_TRUE(Write(system_, LocalPath(slot), big));
    ASSERT_TRUE(Write(system_, LocalPath(slot), "next"));
    EXPECT_EQ(receiver->Info()->next_size, 70000u);
    EXPECT_EQ(receiver->Read({}), 70000u);
    EXPECT_EQ(ReadNext(*receiver), "next");
}

TEST_F(LocalMailslotTest, SizeLimitKeepsLongerMessagesFromTheReader) {
    std::string slot = UniqueSlot("limit");
    auto receiver = CreateOrFail(slot, 5);
    ASSERT_TRUE(receiver);
    ASSERT_TRUE(Write(system_, LocalPath(slot), "toolong"));
    ASSERT_TRUE(Write(system_, LocalPath(slot), "fits!"));
    EXPECT_EQ(ReadNext(*receiver), "fits!");
    EXPECT_EQ(receiver->Info()->message_count, 0u);
}

// The reader may be held in a modal window for minutes: the queue keeps far more than the
// socket's few datagrams, in order, and no writer waits for room.
TEST_F(LocalMailslotTest, AnUnreadQueueKeepsABurstInOrderWithoutMakingWritersWait) {
    std::string slot = UniqueSlot("burst");
    auto receiver = CreateOrFail(slot);
    ASSERT_TRUE(receiver);
    constexpr int kMessages = 3000;
    for (int i = 0; i < kMessages; ++i) {
        ASSERT_EQ(WriteLocalMailslot(slot, "message " + std::to_string(i), 100),
                  LocalWriteResult::Written)
            << "write " << i << " waited for the reader";
    }
    EXPECT_EQ(receiver->Info()->message_count, static_cast<uint32_t>(kMessages));
    for (int i = 0; i < kMessages; ++i) {
        ASSERT_EQ(ReadNext(*receiver), "message " + std::to_string(i));
    }
}

TEST_F(LocalMailslotTest, AFullQueueDropsWhatComesBeyondItsBoundAndCountsIt) {
    std::string slot = UniqueSlot("bound");
    MailslotCreateError error{};
    const uint64_t dropped_before = LocalMailslotReceiver::DroppedInThisProcess();
    auto receiver = LocalMailslotReceiver::Create(slot, 0, error, 1000);
    ASSERT_TRUE(receiver);
    for (int i = 0; i < 15; ++i) {
        ASSERT_EQ(WriteLocalMailslot(slot, std::string(99, 'a') + char('a' + i), 100),
                  LocalWriteResult::Written);
    }
    EXPECT_EQ(receiver->Info()->message_count, 10u);
    EXPECT_EQ(receiver->Dropped(), 5u);
    // The process's count, which lyrnet status tells, has them too.
    EXPECT_EQ(LocalMailslotReceiver::DroppedInThisProcess() - dropped_before, 5u);
    EXPECT_EQ(ReadNext(*receiver).back(), 'a');
    // Room that was read is room again.
    ASSERT_EQ(WriteLocalMailslot(slot, "later", 100), LocalWriteResult::Written);
    std::string last;
    for (std::string next; (next = ReadNext(*receiver)) != "<none>";) {
        last = next;
    }
    EXPECT_EQ(last, "later");
}

TEST_F(LocalMailslotTest, CreateTellsBadNamesAndNamesAlreadyHeld) {
    EXPECT_EQ(CreateError("\\\\MYPC\\mailslot\\x"), MailslotCreateError::BadName);
    EXPECT_EQ(CreateError("\\\\.\\mailslot\\"), MailslotCreateError::BadName);
    EXPECT_EQ(CreateError("messngr"), MailslotCreateError::BadName);
    EXPECT_EQ(CreateError(LocalPath(std::string(200, 'n'))), MailslotCreateError::BadName);

    std::string slot = UniqueSlot("Held");
    auto receiver = CreateOrFail(slot);
    ASSERT_TRUE(receiver);
    // Names compare without case, as they do on Windows.
    EXPECT_EQ(CreateError(LocalPath(ToUpperAscii(slot))), MailslotCreateError::AlreadyExists);
    receiver->Close();
    EXPECT_EQ(CreateError(LocalPath(slot)), std::nullopt) << "closing releases the name at once";
}

TEST_F(LocalMailslotTest, NameHeldByAnotherProcessAlreadyExists) {
    std::string slot = UniqueSlot("other-process");
    test::ChildProcess holder({test::BinaryDir() + "/tests/mailslot_peer", "hold", slot});
    ASSERT_EQ(holder.ReadLine(), "held");
    EXPECT_EQ(CreateError(LocalPath(slot)), MailslotCreateError::AlreadyExists);
    holder.CloseInput();
    ASSERT_EQ(holder.Wait(), 0);
    EXPECT_EQ(CreateError(LocalPath(slot)), std::nullopt);
}

TEST_F(LocalMailslotTest, WritesGoToThisComputerForDotOrItsNameInAnyCase) {
    std::string slot = UniqueSlot("targets");
    auto receiver = CreateOrFail(slot);
    ASSERT_TRUE(receiver);
    EXPECT_TRUE(Write(system_, "\\\\.\\mailslot\\" + slot, "dot"));
    EXPECT_TRUE(Write(system_, "\\\\mypc\\MAILSLOT\\" + ToUpperAscii(slot), "name"));
    EXPECT_EQ(ReadNext(*receiver), "dot");
    EXPECT_EQ(ReadNext(*receiver), "name");
    EXPECT_TRUE(network_.writes.empty());
}

TEST_F(LocalMailslotTest, SlotNobodyHoldsCannotBeOpened) {
    std::string slot = UniqueSlot("nobody");
    EXPECT_EQ(system_.OpenForWrite(LocalPath(slot)), nullptr);
    EXPECT_EQ(system_.OpenForWrite("\\\\.\\nonsense"), nullptr);
    auto receiver = CreateOrFail(slot);
    receiver->Close();
    EXPECT_EQ(system_.OpenForWrite(LocalPath(slot)), nullptr) << "a closed slot is nobody's";
}

TEST_F(LocalMailslotTest, OtherTargetsGoToTheNetworkAndFailWithoutOne) {
    EXPECT_TRUE(Write(system_, "\\\\OTHERPC\\mailslot\\messngr", std::string("A\0B\0hi", 6)));
    EXPECT_TRUE(Write(system_, "\\\\*\\mailslot\\messngr", "all"));
    EXPECT_EQ(network_.writes, (std::vector<std::string>{
                                   std::string("OTHERPC|messngr|A\0B\0hi", 22), "*|messngr|all"}));
    network_.accept = false;
    EXPECT_FALSE(Write(system_, "\\\\WORKGROUP\\mailslot\\messngr", "refused"));

    LinuxMailslotSystem without_network("MYPC");
    EXPECT_EQ(without_network.OpenForWrite("\\\\OTHERPC\\mailslot\\messngr"), nullptr);
}

TEST_F(LocalMailslotTest, WaitReturnsForAMessageAndEndsWhenClosed) {
    std::string slot = UniqueSlot("wait");
    std::shared_ptr<MailslotReceiver> receiver = CreateOrFail(slot);
    ASSERT_TRUE(receiver);
    ASSERT_TRUE(Write(system_, LocalPath(slot), "ready"));
    EXPECT_TRUE(receiver->Wait()) << "a waiting message ends the wait at once";
    EXPECT_EQ(ReadNext(*receiver), "ready");

    auto waited = std::async(std::launch::async, [receiver] { return receiver->Wait(); });
    EXPECT_EQ(waited.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    receiver->Close();
    ASSERT_EQ(waited.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_FALSE(waited.get());
    EXPECT_FALSE(receiver->Wait());
    EXPECT_FALSE(receiver->Info());
    receiver->Close();
}

}  // namespace
}  // namespace lyr
