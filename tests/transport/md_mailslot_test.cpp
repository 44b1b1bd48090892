// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/md_mailslot.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <stdexcept>

#include "base/ascii_case.h"
#include "platform/linux/linux_mailslot_system.h"
#include "platform/stderr_capture.h"
#include "support/child_process.h"
#include "support/ui_loop.h"
#include "transport/fake_mailslots.h"
#include "transport/md_mailslot_wait_thread.h"
#include "transport/slot_writing.h"

namespace lyr {
namespace {

using namespace std::chrono_literals;
using test::EventLog;
using test::UniqueSlot;

// Tells the test when the wait thread has begun and finished handing a message over.
class ObservedUiThread : public UiThread {
public:
    explicit ObservedUiThread(UiThread& inner) : inner_(inner) {}
    bool RunAndWait(const std::function<void()>& call) override {
        Count(entered_);
        bool result = inner_.RunAndWait(call);
        Count(returned_);
        return result;
    }
    bool WaitEntered(int count) { return WaitFor(entered_, count); }
    bool WaitReturned(int count) { return WaitFor(returned_, count); }

private:
    void Count(int& counter) {
        std::lock_guard lock(mutex_);
        ++counter;
        changed_.notify_all();
    }
    bool WaitFor(int& counter, int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 20s, [&] { return counter >= count; });
    }

    UiThread& inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int entered_ = 0;
    int returned_ = 0;
};

class MailSlotTest : public ::testing::Test {
protected:
    void TearDown() override {
        ui_.Run([&] { endpoint_.reset(); });
    }

    // Creates the endpoint on the UI thread with handlers that log every event.
    void Make(UiThread* ui_thread = nullptr) {
        ui_.Run([&] {
            endpoint_ = std::make_unique<TmdMailSlot>(system_, ui_thread ? *ui_thread : ui_.Loop());
            endpoint_->OnOpen = [this](TmdCustomMailSlot&) { log_.Add("open"); };
            endpoint_->OnClose = [this](TmdCustomMailSlot&) { log_.Add("close"); };
            endpoint_->OnMessageAvail = [this](TmdCustomMailSlot& sender, const std::string& text) {
                EXPECT_EQ(&sender, endpoint_.get());
                log_.Add("text:" + text);
            };
            endpoint_->OnBinMessageAvail = [this](TmdCustomMailSlot&, const char* data,
                                                  int32_t size) {
                log_.Add("bin:" + std::string(data, static_cast<size_t>(size)));
            };
        });
    }
    void MakeOpen(const std::string& name) {
        slot_ = UniqueSlot(name);
        Make();
        ui_.Run([&] {
            endpoint_->SetSlot(slot_);
            endpoint_->SetActive(true);
        });
    }
    bool Write(const std::string& data, const std::string& slot = {}) {
        return WriteSlotText(system_, ".", slot.empty() ? slot_ : slot, data);
    }
    std::vector<std::string> Entries() { return log_.Entries(); }
    // Lets every hand-over that is already under way finish.
    void Settle() {
        std::this_thread::sleep_for(100ms);
        ui_.Run([] {});
    }

    test::UiLoopThread ui_;
    ObservedUiThread observed_{ui_.Loop()};
    LinuxMailslotSystem system_{"MYPC"};
    std::unique_ptr<TmdMailSlot> endpoint_;
    EventLog log_;
    std::string slot_;
};

using Log = std::vector<std::string>;

TEST_F(MailSlotTest, StartsClosedWithTheDefaultNames) {
    Make();
    ui_.Run([&] {
        EXPECT_FALSE(endpoint_->Active());
        EXPECT_EQ(endpoint_->Slot(), "mdMailSlot1");
        EXPECT_EQ(endpoint_->Server(), ".");
        EXPECT_EQ(endpoint_->MaxSize(), 0);
        EXPECT_FALSE(endpoint_->SlotSet());
        EXPECT_EQ(endpoint_->WaitThread(), nullptr);
        try {
            endpoint_->CheckMessages();
            ADD_FAILURE() << "CheckMessages of a closed endpoint";
        } catch (const EmdMailSlot& error) {
            EXPECT_STREQ(error.what(), "Not active");
        }
    });
    EXPECT_TRUE(Entries().empty()) << "creation raises no event";
}

TEST_F(MailSlotTest, ThreeQuickMessagesArriveInOrderOnTheUiThread) {
    MakeOpen("three");
    ASSERT_TRUE(Write("one"));
    ASSERT_TRUE(Write("two"));
    ASSERT_TRUE(Write("three"));
    ASSERT_TRUE(log_.WaitFor(7));
    EXPECT_EQ(Entries(), (Log{"open", "text:one", "bin:one", "text:two", "bin:two", "text:three",
                              "bin:three"}));
    for (auto id : log_.Threads()) {
        EXPECT_EQ(id, ui_.Id());
    }
}

TEST_F(MailSlotTest, NulInTheMiddleEndsTheTextButNotTheBytes) {
    MakeOpen("nul");
    std::string message("ab\0cd", 5);
    ASSERT_TRUE(Write(message));
    ASSERT_TRUE(log_.WaitFor(3));
    EXPECT_EQ(Entries(), (Log{"open", "text:ab", "bin:" + message}));
}

TEST_F(MailSlotTest, HandlerErrorLosesOnlyThatMessage) {
    MakeOpen("throws");
    ui_.Run([&] {
        endpoint_->OnMessageAvail = [this](TmdCustomMailSlot&, const std::string& text) {
            if (text == "bad1") {
                throw EmdMailSlot("handler failed");
            }
            if (text == "bad2") {
                throw std::logic_error("handler failed");
            }
            log_.Add("text:" + text);
        };
    });
    test::StderrCapture capture;
    for (const char* message : {"bad1", "good1", "bad2", "good2"}) {
        ASSERT_TRUE(Write(message));
    }
    ASSERT_TRUE(log_.WaitFor(5));
    Settle();
    EXPECT_EQ(Entries(), (Log{"open", "text:good1", "bin:good1", "text:good2", "bin:good2"}));
    // Nobody is shown the loss, but it leaves a trace.
    const std::string trace = capture.Take();
    EXPECT_EQ(test::LinesWith(trace, "is lost: handler failed"), 2) << trace;
}

TEST_F(MailSlotTest, OversizedMessageIsDrainedWithoutAnyEvent) {
    MakeOpen("oversized");
    ASSERT_TRUE(Write(std::string(TmdCustomMailSlot::kLongestMessage + 1, 'x')));
    std::string longest(TmdCustomMailSlot::kLongestMessage, 'y');
    ASSERT_TRUE(Write(longest));
    ASSERT_TRUE(Write("after"));
    ASSERT_TRUE(log_.WaitFor(5));
    Settle();
    EXPECT_EQ(Entries(),
              (Log{"open", "text:" + longest, "bin:" + longest, "text:after", "bin:after"}));
}

TEST_F(MailSlotTest, NameHeldByAnotherProcessLeavesTheEndpointClosed) {
    slot_ = UniqueSlot("held");
    test::ChildProcess holder({test::BinaryDir() + "/tests/mailslot_peer", "hold", slot_});
    ASSERT_EQ(holder.ReadLine(), "held");
    Make();
    ui_.Run([&] {
        endpoint_->SetSlot(slot_);
        try {
            endpoint_->SetActive(true);
            ADD_FAILURE() << "opened a slot another process holds";
        } catch (const EmdMailSlot& error) {
            EXPECT_STREQ(error.what(), "Mailslot already exists");
        }
        EXPECT_FALSE(endpoint_->Active());
        EXPECT_EQ(endpoint_->WaitThread(), nullptr);
    });
    holder.CloseInput();
    ASSERT_EQ(holder.Wait(), 0);
    ui_.Run([&] { endpoint_->SetActive(true); });
    ASSERT_TRUE(Write("mine now"));
    EXPECT_TRUE(log_.WaitFor(3));
}

TEST_F(MailSlotTest, CreationErrorsGiveTheirMessages) {
    test::FakeMailslots fake;
    TmdMailSlot endpoint(fake, ui_.Loop());
    auto message_of = [&](MailslotCreateError error) -> std::string {
        fake.create_error = error;
        try {
            endpoint.SetActive(true);
        } catch (const EmdMailSlot& raised) {
            EXPECT_FALSE(endpoint.Active());
            return raised.what();
        }
        return "opened";
    };
    EXPECT_EQ(message_of(MailslotCreateError::BadName), "Bad mailslot name");
    EXPECT_EQ(message_of(MailslotCreateError::AlreadyExists), "Mailslot already exists");
    EXPECT_EQ(message_of(MailslotCreateError::CannotOpen), "Cannot open mailslot");
}

TEST_F(MailSlotTest, ServerOtherThanThisComputerIsABadName) {
    Make();
    ui_.Run([&] {
        endpoint_->SetServer("PC1");
        endpoint_->SetServer("pc1");
        EXPECT_EQ(endpoint_->Server(), "PC1") << "a change of case only is no change";
        EXPECT_THROW(endpoint_->SetActive(true), EmdMailSlot);
        EXPECT_FALSE(endpoint_->Active());
    });
}

TEST_F(MailSlotTest, CaseOnlyRenameKeepsTheSlotAndARealRenameReopens) {
    MakeOpen("Rename");
    const std::string lower = ToLowerAscii(slot_);
    std::string renamed = UniqueSlot("renamed");
    ui_.Run([&] {
        endpoint_->SetSlot(lower);
        EXPECT_EQ(endpoint_->Slot(), slot_);
        endpoint_->SetServer(".");
    });
    EXPECT_EQ(Entries(), (Log{"open"})) << "no reopen for a change of case";

    ui_.Run([&] { endpoint_->SetSlot(renamed); });
    EXPECT_EQ(Entries(), (Log{"open", "close", "open"}));
    EXPECT_FALSE(Write("old name", slot_)) << "the old name is released";
    ASSERT_TRUE(Write("new name", renamed));
    ASSERT_TRUE(log_.WaitFor(5));

    ui_.Run([&] {
        endpoint_->SetMaxSize(100);
        endpoint_->SetMaxSize(100);
        EXPECT_TRUE(endpoint_->Active());
    });
    EXPECT_EQ(Entries().size(), 7u) << "one reopen for the new size";
}

TEST_F(MailSlotTest, SlotFollowsTheComponentNameUntilAssigned) {
    Make();
    ui_.Run([&] {
        endpoint_->SetName("mdMailSlot2");
        EXPECT_EQ(endpoint_->Slot(), "mdMailSlot2");
        EXPECT_FALSE(endpoint_->SlotSet());
        endpoint_->SetSlot("chosen");
        EXPECT_TRUE(endpoint_->SlotSet());
        endpoint_->SetName("mdMailSlot3");
        EXPECT_EQ(endpoint_->Slot(), "chosen");
    });
}

TEST_F(MailSlotTest, ActiveReadWhileLoadingTakesEffectWhenLoaded) {
    slot_ = UniqueSlot("loading");
    Make();
    ui_.Run([&] {
        endpoint_->BeginLoading();
        endpoint_->SetSlot(slot_);
        endpoint_->SetActive(true);
        EXPECT_FALSE(endpoint_->Active());
        endpoint_->Loaded();
        EXPECT_TRUE(endpoint_->Active());
    });
}

TEST_F(MailSlotTest, ClosingTwiceRaisesOnCloseOnceAndReopeningDeliversAgain) {
    MakeOpen("close-twice");
    ui_.Run([&] {
        endpoint_->SetActive(false);
        endpoint_->SetActive(false);
        EXPECT_EQ(endpoint_->WaitThread(), nullptr);
    });
    EXPECT_EQ(Entries(), (Log{"open", "close"}));
    EXPECT_FALSE(Write("closed"));
    ui_.Run([&] {
        endpoint_->SetActive(true);
        EXPECT_NE(endpoint_->WaitThread(), nullptr);
    });
    ASSERT_TRUE(Write("again"));
    ASSERT_TRUE(log_.WaitFor(5));
    EXPECT_EQ(Entries(), (Log{"open", "close", "open", "text:again", "bin:again"}));
}

TEST_F(MailSlotTest, ClosingFromInsideAHandlerStopsDelivery) {
    MakeOpen("close-in-handler");
    ui_.Run([&] {
        endpoint_->OnMessageAvail = [this](TmdCustomMailSlot& sender, const std::string& text) {
            log_.Add("text:" + text);
            sender.SetActive(false);
        };
        endpoint_->OnBinMessageAvail = nullptr;
    });
    ASSERT_TRUE(Write("first"));
    Write("second");
    ASSERT_TRUE(log_.WaitFor(3));
    Settle();
    EXPECT_EQ(Entries(), (Log{"open", "text:first", "close"}));

    ui_.Run([&] { endpoint_->SetActive(true); });
    ASSERT_TRUE(Write("third"));
    ASSERT_TRUE(log_.WaitFor(5));
    Settle();
    EXPECT_EQ(Entries(), (Log{"open", "text:first", "close", "open", "text:third", "close"}));
}

TEST_F(MailSlotTest, DestroyingWhileAHandOverWaitsNeverTouchesTheEndpoint) {
    slot_ = UniqueSlot("pending");
    Make(&observed_);
    ui_.Run([&] {
        endpoint_->SetSlot(slot_);
        endpoint_->SetActive(true);
        ASSERT_TRUE(Write("pending"));
        // The wait thread now waits for this very thread, which destroys the endpoint.
        ASSERT_TRUE(observed_.WaitEntered(1));
        endpoint_.reset();
    });
    ASSERT_TRUE(observed_.WaitReturned(1));
    Settle();
    EXPECT_EQ(Entries(), (Log{"open"}));
}

TEST_F(MailSlotTest, ReopeningWhileAHandOverWaitsDeliversOnlyTheNewQueue) {
    slot_ = UniqueSlot("reopen-pending");
    Make(&observed_);
    ui_.Run([&] {
        endpoint_->SetSlot(slot_);
        endpoint_->SetActive(true);
        ASSERT_TRUE(Write("lost with the old queue"));
        ASSERT_TRUE(observed_.WaitEntered(1));
        endpoint_->SetActive(false);
        endpoint_->SetActive(true);
    });
    ASSERT_TRUE(Write("new"));
    ASSERT_TRUE(log_.WaitFor(5));
    Settle();
    EXPECT_EQ(Entries(), (Log{"open", "close", "open", "text:new", "bin:new"}));
    // Both threads are done with the observed UI thread before it goes.
    ui_.Run([&] { endpoint_.reset(); });
    EXPECT_TRUE(observed_.WaitReturned(2));
}

// At the end of a run the UI thread takes what waits itself, while the wait thread's hand-over
// is held (by a modal window, or a loop that has ended): everything, in order, once.
TEST_F(MailSlotTest, ReadWaitingTakesTheWholeQueueOnTheCallingThread) {
    slot_ = UniqueSlot("read-waiting");
    Make(&observed_);
    ui_.Run([&] {
        endpoint_->SetSlot(slot_);
        endpoint_->SetActive(true);
        for (const char* text : {"one", "two", "three"}) {
            ASSERT_TRUE(Write(text));
        }
        ASSERT_TRUE(observed_.WaitEntered(1));
        endpoint_->ReadWaiting();
        EXPECT_EQ(Entries(), (Log{"open", "text:one", "bin:one", "text:two", "bin:two",
                                  "text:three", "bin:three"}));
        endpoint_->SetActive(false);
    });
    ASSERT_TRUE(observed_.WaitReturned(1));
    Settle();
    EXPECT_EQ(Entries().size(), 8u) << "the close, and nothing twice";
}

TEST_F(MailSlotTest, DestroyingAnActiveEndpointReleasesTheNameQuietly) {
    MakeOpen("destroy");
    ui_.Run([&] { endpoint_.reset(); });
    EXPECT_EQ(Entries(), (Log{"open"}));
    MailslotCreateError error;
    EXPECT_TRUE(system_.Create("\\\\.\\mailslot\\" + slot_, 0, error));
}

TEST_F(MailSlotTest, BurstFromAnotherProcessArrivesWholeInOrder) {
    constexpr int kCount = 10000;
    slot_ = UniqueSlot("burst");
    std::vector<std::string> received;
    std::atomic<int> count = 0;
    Make();
    ui_.Run([&] {
        endpoint_->OnMessageAvail = [&](TmdCustomMailSlot&, const std::string& text) {
            received.push_back(text);
            if (++count == kCount) {
                log_.Add("done");
            }
        };
        endpoint_->OnBinMessageAvail = nullptr;
        endpoint_->SetSlot(slot_);
        endpoint_->SetActive(true);
    });
    test::ChildProcess writer(
        {test::BinaryDir() + "/tests/mailslot_peer", "write", slot_, std::to_string(kCount)});
    ASSERT_EQ(writer.Wait(120s), 0) << writer.RestOfErrors();
    ASSERT_TRUE(log_.WaitFor(2, 120s)) << count << " arrived";
    Settle();
    ui_.Run([&] {
        ASSERT_EQ(received.size(), static_cast<size_t>(kCount));
        for (int i = 0; i < kCount; ++i) {
            ASSERT_EQ(received[static_cast<size_t>(i)], std::to_string(i));
        }
    });
}

TEST_F(MailSlotTest, IdleEndpointUsesNoProcessorTime) {
    MakeOpen("idle");
    auto processor_time = [] {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    };
    auto before = processor_time();
    std::this_thread::sleep_for(500ms);
    EXPECT_LT(processor_time() - before, 20ms);
}

}  // namespace
}  // namespace lyr
