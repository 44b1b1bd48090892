// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/md_winpopup.h"

#include <gtest/gtest.h>

#include <deque>
#include <utility>

#include "platform/linux/linux_mailslot_system.h"
#include "support/ui_loop.h"
#include "transport/fake_mailslots.h"
#include "transport/messenger_datagram.h"
#include "transport/slot_writing.h"

namespace lyr {
namespace {

using namespace std::chrono_literals;

const std::string kAnnaToPc1("ANNA\0PC1\0hi", 11);

TEST(MessengerDatagramTest, AnnaToPc1IsElevenBytes) {
    std::string datagram =
        BuildMessengerDatagram({.sender = "ANNA", .receiver = "PC1", .text = "hi"});
    const unsigned char expected[] = {0x41, 0x4E, 0x4E, 0x41, 0x00, 0x50,
                                      0x43, 0x31, 0x00, 0x68, 0x69};
    EXPECT_EQ(datagram, std::string(reinterpret_cast<const char*>(expected), sizeof expected));
}

TEST(MessengerDatagramTest, SplitTakesTheFieldsBetweenTheZeroBytes) {
    auto fields = SplitMessengerDatagram(kAnnaToPc1);
    EXPECT_EQ(fields.sender, "ANNA");
    EXPECT_EQ(fields.receiver, "PC1");
    EXPECT_EQ(fields.text, "hi");
    // A zero byte after the text, and anything after it, changes nothing.
    EXPECT_EQ(SplitMessengerDatagram(kAnnaToPc1 + std::string("\0", 1)).text, "hi");
    EXPECT_EQ(SplitMessengerDatagram(kAnnaToPc1 + std::string("\0junk", 5)).text, "hi");
}

TEST(MessengerDatagramTest, SplitOfShortDatagramsGivesEmptyFields) {
    auto none = SplitMessengerDatagram("only a sender");
    EXPECT_EQ(none.sender, "only a sender");
    EXPECT_EQ(none.receiver, "");
    EXPECT_EQ(none.text, "");
    auto one = SplitMessengerDatagram(std::string("A\0B", 3));
    EXPECT_EQ(one.sender, "A");
    EXPECT_EQ(one.receiver, "B");
    EXPECT_EQ(one.text, "");
    auto empty = SplitMessengerDatagram(std::string("\0\0", 2));
    EXPECT_EQ(empty.sender + empty.receiver + empty.text, "");
    EXPECT_EQ(SplitMessengerDatagram("").sender, "");
}

TEST(MessengerDatagramTest, ChecksumIsCrc16ArcInFourUpperCaseDigits) {
    EXPECT_EQ(Crc16Arc("123456789"), 0xBB3D);
    EXPECT_EQ(Crc16Arc(""), 0);
    EXPECT_EQ(CrcText(0xBB3D), "BB3D");
    EXPECT_EQ(CrcText(0x00AF), "00AF");
    EXPECT_EQ(CrcText(0), "0000");
}

TEST(MessengerDatagramTest, RepeatIsTheSameChecksumWithinTwoSecondsAcrossTheWrap) {
    EXPECT_TRUE(IsRepeatDatagram("ABCD", 1999, "ABCD", 0));
    EXPECT_FALSE(IsRepeatDatagram("ABCD", 2000, "ABCD", 0));
    EXPECT_FALSE(IsRepeatDatagram("ABCD", 10, "ABCE", 0));
    EXPECT_TRUE(IsRepeatDatagram("ABCD", 500, "ABCD", 0xFFFFFC18)) << "1500 ms across the wrap";
    EXPECT_FALSE(IsRepeatDatagram("ABCD", 1000, "ABCD", 0xFFFFFC18)) << "2000 ms across the wrap";
    EXPECT_FALSE(IsRepeatDatagram("ABCD", 0x80000000u, "ABCD", 0)) << "weeks later";
    EXPECT_FALSE(IsRepeatDatagram("ABCD", 0, "", 0)) << "the first datagram";
}

// Ticks the test hands out one by one; it can wait until the endpoint has taken them.
class ScriptedTicks {
public:
    TickSource Source() {
        return [this] {
            std::lock_guard lock(mutex_);
            if (!ticks_.empty()) {
                last_ = ticks_.front();
                ticks_.pop_front();
            }
            ++taken_;
            changed_.notify_all();
            return last_;
        };
    }
    void Push(uint32_t tick) {
        std::lock_guard lock(mutex_);
        ticks_.push_back(tick);
    }
    bool WaitTaken(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 20s, [&] { return taken_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<uint32_t> ticks_;
    uint32_t last_ = 0;
    int taken_ = 0;
};

class WinPopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        slot_ = test::UniqueSlot(kMessengerSlot);
        ui_.Run([&] {
            endpoint_ = std::make_unique<TmdCustomWinPopup>(system_, ui_.Loop(), ticks_.Source());
            endpoint_->SetSlot(slot_);
            endpoint_->OnMessage = [this](TmdCustomWinPopup& sender,
                                          const MessengerMessage& message) {
                EXPECT_EQ(&sender, endpoint_.get());
                log_.Add(message.sender + ">" + message.receiver + ":" + message.text);
            };
            endpoint_->SetActive(true);
        });
    }
    void TearDown() override {
        ui_.Run([&] { endpoint_.reset(); });
    }

    // Writes one datagram at the given tick and waits until the endpoint has handled it.
    void Deliver(const std::string& datagram, uint32_t tick) {
        ticks_.Push(tick);
        ASSERT_TRUE(WriteSlotText(system_, ".", slot_, datagram));
        ASSERT_TRUE(ticks_.WaitTaken(++delivered_));
        ui_.Run([] {});
    }
    std::vector<std::string> Entries() { return log_.Entries(); }

    test::UiLoopThread ui_;
    LinuxMailslotSystem system_{"MYPC"};
    ScriptedTicks ticks_;
    std::unique_ptr<TmdCustomWinPopup> endpoint_;
    test::EventLog log_;
    std::string slot_;
    int delivered_ = 0;
};

using Log = std::vector<std::string>;

TEST_F(WinPopupTest, ElevenBytesRaiseOnMessageWithTheirFields) {
    Deliver(kAnnaToPc1, 1000);
    EXPECT_EQ(Entries(), (Log{"ANNA>PC1:hi"}));
    ui_.Run([&] {
        EXPECT_EQ(endpoint_->LastCrc(), CrcText(Crc16Arc(kAnnaToPc1)));
        EXPECT_EQ(endpoint_->LastTick(), 1000u);
    });
}

TEST_F(WinPopupTest, RepeatWithinTheWindowIsDroppedAndAcceptedAfterIt) {
    Deliver(kAnnaToPc1, 10000);
    Deliver(kAnnaToPc1, 10900);
    EXPECT_EQ(Entries().size(), 1u) << "the copy within one second is dropped";
    Deliver(kAnnaToPc1, 13400);
    EXPECT_EQ(Entries().size(), 2u) << "2.5 seconds after the second copy it counts again";
}

TEST_F(WinPopupTest, DifferentDatagramBetweenCopiesBreaksTheChain) {
    std::string other =
        BuildMessengerDatagram({.sender = "BORIS", .receiver = "PC1", .text = "hello"});
    Deliver(kAnnaToPc1, 100);
    Deliver(other, 200);
    Deliver(kAnnaToPc1, 300);
    EXPECT_EQ(Entries(), (Log{"ANNA>PC1:hi", "BORIS>PC1:hello", "ANNA>PC1:hi"}));
}

TEST_F(WinPopupTest, RepeatWindowHoldsAcrossTheTickWrap) {
    Deliver(kAnnaToPc1, 0xFFFFFF00u);
    Deliver(kAnnaToPc1, 0x00000200u);  // 768 ms later
    Deliver(kAnnaToPc1, 0x00000A00u);  // 2048 ms after the second copy
    EXPECT_EQ(Entries().size(), 2u);
}

TEST_F(WinPopupTest, WithoutAHandlerDatagramsAreDiscardedAndTheRepeatStateStays) {
    Deliver(kAnnaToPc1, 5000);
    TwpMessage handler;
    ui_.Run([&] {
        handler = std::exchange(endpoint_->OnMessage, nullptr);
        // The plain text event still tells when the datagram has been read.
        endpoint_->OnMessageAvail = [this](TmdCustomMailSlot&, const std::string&) {
            log_.Add("read");
        };
    });
    ASSERT_TRUE(
        WriteSlotText(system_, ".", slot_,
                      BuildMessengerDatagram({.sender = "X", .receiver = "Y", .text = "z"})));
    ASSERT_TRUE(log_.WaitFor(2));
    ui_.Run([&] {
        endpoint_->OnMessage = handler;
        endpoint_->OnMessageAvail = nullptr;
    });
    ui_.Run([&] {
        EXPECT_EQ(endpoint_->LastTick(), 5000u);
        EXPECT_EQ(endpoint_->LastCrc(), CrcText(Crc16Arc(kAnnaToPc1)));
    });
    // Still a repeat of the last handled datagram: the discarded one did not break the chain.
    Deliver(kAnnaToPc1, 5500);
    EXPECT_EQ(Entries(), (Log{"ANNA>PC1:hi", "read"}));
}

TEST_F(WinPopupTest, RepeatStateSurvivesClosingAndReopening) {
    Deliver(kAnnaToPc1, 7000);
    ui_.Run([&] {
        endpoint_->SetActive(false);
        endpoint_->SetActive(true);
    });
    Deliver(kAnnaToPc1, 7500);
    EXPECT_EQ(Entries().size(), 1u);
}

TEST(WinPopupDefaultsTest, MessengerEndpointHoldsMessngrWhateverItsName) {
    test::FakeMailslots fake;
    test::UiLoopThread ui;
    TmdWinPopup endpoint(fake, ui.Loop());
    EXPECT_EQ(endpoint.Slot(), "messngr");
    EXPECT_EQ(endpoint.Server(), ".");
    EXPECT_TRUE(endpoint.SlotSet());
    EXPECT_EQ(endpoint.LastCrc(), "");
    EXPECT_EQ(endpoint.LastTick(), 0u);
    endpoint.SetName("MainSlot");
    EXPECT_EQ(endpoint.Slot(), "messngr");
}

TEST(SendDatagramTest, WritesTheDatagramToTheTargetsMessngrAndCloses) {
    test::FakeMailslots fake;
    EXPECT_TRUE(SendDatagram(fake, "PC1", {.sender = "ANNA", .receiver = "PC1", .text = "hi"}));
    EXPECT_EQ(fake.opened, (std::vector<std::string>{"\\\\PC1\\mailslot\\messngr"}));
    EXPECT_EQ(fake.written, (std::vector<std::string>{kAnnaToPc1}));
    EXPECT_EQ(fake.open_handles, 0);
}

TEST(SendDatagramTest, ShortOrFailedWriteOrNoTargetIsFalse) {
    test::FakeMailslots fake;
    fake.bytes_taken = 10;
    EXPECT_FALSE(SendDatagram(fake, "PC1", {.sender = "ANNA", .receiver = "PC1", .text = "hi"}));
    fake.bytes_taken = -1;
    EXPECT_FALSE(SendDatagram(fake, "PC1", {.sender = "ANNA", .receiver = "PC1", .text = "hi"}));
    EXPECT_EQ(fake.open_handles, 0) << "closed after a failed write too";
    fake.can_open = false;
    EXPECT_FALSE(SendDatagram(fake, "PC1", {.sender = "ANNA", .receiver = "PC1", .text = "hi"}));
    EXPECT_EQ(fake.written.size(), 2u);
}

TEST(SendDatagramTest, GoesThroughThePlatformToThisComputerOrTheNetwork) {
    struct Network : MailslotNetwork {
        bool WriteRemote(const std::string& server, const std::string& slot,
                         std::string_view data) override {
            sent = server + "|" + slot + "|" + std::string(data);
            return true;
        }
        std::string sent;
    } network;
    LinuxMailslotSystem system("MYPC", &network);
    EXPECT_TRUE(
        SendDatagram(system, "OTHER", {.sender = "ANNA", .receiver = "OTHER", .text = "hi"}));
    EXPECT_EQ(network.sent,
              "OTHER|messngr|" +
                  BuildMessengerDatagram({.sender = "ANNA", .receiver = "OTHER", .text = "hi"}));

    std::string slot = test::UniqueSlot("local");
    MailslotCreateError error;
    auto receiver = system.Create("\\\\.\\mailslot\\" + slot, 0, error);
    ASSERT_TRUE(receiver);
    EXPECT_TRUE(WriteSlotText(system, "mypc", slot, kAnnaToPc1));
    std::string read(11, '\0');
    EXPECT_EQ(receiver->Read(read), 11u);
    EXPECT_EQ(read, kAnnaToPc1);
    receiver->Close();
    EXPECT_FALSE(WriteSlotText(system, ".", slot, kAnnaToPc1)) << "nobody holds it any more";
}

}  // namespace
}  // namespace lyr
