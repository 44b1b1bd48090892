// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/identity.h"
#include "app/options.h"
#include "contacts/addressee_list.h"
#include "messaging/answers.h"
#include "messaging/kept_msg_list.h"
#include "messaging/main_window_views.h"
#include "platform/host_identity.h"
#include "platform/mailslot.h"
#include "platform/mailslot_holder.h"
#include "platform/messenger_message.h"
#include "platform/messenger_service.h"
#include "platform/netbios_config.h"
#include "platform/profile.h"
#include "platform/tick_count.h"
#include "platform/ui_thread.h"
#include "transport/datagram_sending.h"
#include "transport/md_winpopup.h"

namespace lyr {

// The control that asked for an operation both the user and the program call (SendMsg,
// ReplyMsg): given for a user's action, absent (nullptr) for the program's own call. Items that
// share a handler tell themselves apart by their tag.
struct Control {
    int Tag = 0;
};

// What the controller works with besides the screen. Everything must outlive it.
struct MainWindowServices {
    TOptions& options;
    Identity& identity;      // the program-wide identity values, read at start-up
    Profile& identity_file;  // quidel.ini
    std::string data_dir;    // DataDir, ending in '/'
    MailslotSystem& mailslots;
    UiThread& ui_thread;  // where the mailslot's wait thread hands messages over
    MessengerServiceControl& messenger_service;
    AddresseeList& user_list;
    NetworkScanRequests& network_scan;
    // Sends are written on a thread of their own and their results come back through
    // ui_thread; otherwise they are written on the UI thread before SendMsg returns.
    bool send_in_background = false;
    std::function<std::optional<std::string>()> computer_name = ComputerName;
    std::function<std::string()> workgroup = OurWorkgroup;
    // Who holds a mailslot of this computer, in words (UTF-8).
    std::function<std::string(std::string_view slot)> mailslot_holder = DescribeMailslotHolder;
    TickSource tick = GetTickCount;
};

// The main window's logic: start-up and shutdown, the message stores, receiving, the automatic
// answers and presence. The Qt window TMainmgrForm forwards its events here and implements the
// views. Everything runs on the UI thread.
class MainWindowController {
public:
    MainWindowController(const MainWindowViews& views, const MainWindowServices& services);
    ~MainWindowController();
    MainWindowController(const MainWindowController&) = delete;
    MainWindowController& operator=(const MainWindowController&) = delete;

    // The start-up sequence, once. A step that reads a file of its own (quick replies, macros,
    // identity, stores, user list) fails alone and is named in a box at the end; an error of
    // any other step ends the sequence there and goes to the default error report, and the
    // program runs on with what was set up.
    void FormCreate();
    // Each time the window becomes visible.
    void FormShow();
    // The one-shot timer SetTextOnStart fired.
    void SetTextOnStartTimer();
    // The session is ending: the messenger service is not to be started at exit.
    void OnQueryEndSession();
    // The shutdown sequence, once at exit; errors end it as in FormCreate. Before it, what the
    // mailslot took and still holds is stored.
    void FormDestroy();

    // A datagram of the receiving mailslot, its fields as they came off the wire (OEM code page). A
    // message that arrives while another one is still being answered or shown (inside a
    // notification's modal loop) is stored at once and answered and shown after it; messages that
    // arrive before the start-up is done are handled at its end, in arrival order.
    void MainSlotMessage(const MessengerMessage& message);

    // Sends SendText. Without a control, the reply path: to LastSender, silently. With a
    // control, the list path: to every ticked entry of the user list, recorded in Outbox, an
    // error box when the last send failed or nothing was ticked. The datagrams may still be on
    // their way when it returns (see MainWindowServices::send_in_background); while a list
    // send is, the send button is disabled and further list sends are not taken.
    void SendMsg(const Control* control);
    bool Sending() const { return list_send_in_flight_; }
    // SendText := RecText quoted line by line; with a control SendText gets the focus.
    void ReplyMsg(const Control* control);
    // The actions of a desktop notification: the main window shows the received message at
    // `position` (as DesktopNotify gave it), and with `reply` has its reply ready as the reply
    // button makes it. A position that no longer holds a message shows the window only.
    void OpenReceived(std::int32_t position, bool reply);

    // The keys and commands that send.
    // A key released in SendText; Enter with Ctrl held sends (list path).
    void SendTextKeyUp(const Control& Sender, int Key, bool ctrl_held);
    void SendTextEnter();
    // "Послать сообщение" of SendText's pop-up menu.
    void N28Click(const Control& Sender);
    // Quick replies qr1..qr5 (tags 0..4): the quoted message and the reply line to LastSender.
    void qr1Click(const Control& Sender);
    // Macros mcr1..mcr5 (tags 0..4): the line typed into SendText at the caret; nothing is sent.
    void mcr1Click(const Control& Sender);

    // Browsing, deleting and exporting the stored messages. Each acts on Outbox and SendText when
    // SendText has the focus, otherwise on Inbox and RecText.
    void NextMsg();
    void PrevMsg();
    // With a control (the clear button) only SendText is emptied; without one the shown message
    // is deleted from its store.
    void DeleteMsg(const Control* control);
    void miDelMsgClick() { DeleteMsg(nullptr); }
    // A key pressed in RecText; Del deletes the shown received message.
    void RecTextKeyDown(int Key);
    void RecTextEnter();
    void ExportMenuItemClick();
    // The clipboard commands on the focused pane (RecText unless SendText has the focus).
    void miCopyToClick();
    void miPasteClick();
    void miClearClick();
    void miSelectAllClick();
    // The FromPanel button and "Панель заголовка": tag 1 shows or hides FromPanel.
    void ToggleFromPanel(const Control& control);
    void N22Click(const Control& Sender) { ToggleFromPanel(Sender); }

    // Presence: tag 0 Active, tag 1 Busy.
    void miActiveClick(const Control& Sender);
    void smiAutoReplyClick();
    void UpdateTrayHint();
    // The tray image of the current presence and the hint, as after a network scan.
    void RestorePresenceTray();

    // Whether this computer can receive from the network: `cause` (UTF-8) says why it cannot;
    // empty, it receives again. While a problem lasts the tray hint gets a line naming it and
    // InfoText a sign; a desktop notification tells of it once, and once of the mending.
    void SetReceivingProblem(const std::string& cause);
    const std::string& ReceivingProblem() const { return receiving_problem_; }

    // The answers to the requests WM_USER+10 (show or hide), +11 (version), +12 (state). The
    // version and the state may be asked from any thread: they need no window.
    std::int32_t OnMgrShow(std::uintptr_t wParam);
    std::int32_t OnMgrVersion() const { return 0x10001; }
    std::int32_t OnMgrState() const { return mgr_state_.load(std::memory_order_relaxed); }

    const TMsgList& Inbox() const { return inbox_.List(); }
    const TMsgList& Outbox() const { return outbox_.List(); }
    std::int32_t InboxPos() const { return InboxPos_; }
    std::int32_t InboxCount() const { return InboxCount_; }
    std::int32_t OutboxPos() const { return OutboxPos_; }
    const std::string& CompName() const { return CompName_; }
    const std::string& LastSender() const { return LastSender_; }
    bool IsActive() const { return IsActive_; }
    bool ServiceStopped() const { return ServiceStopped_; }
    bool TextOnStartPending() const { return TextOnStartPending_; }
    const std::vector<std::string>& ReplyList() const { return ReplyList_; }
    const std::vector<std::string>& MacroList() const { return MacroList_; }
    // The settings dialog edits the quick replies and macros in place.
    std::vector<std::string>& ReplyList() { return ReplyList_; }
    std::vector<std::string>& MacroList() { return MacroList_; }
    bool MainSlotActive() const { return MainSlot.Active(); }
    // While another receiver holds "messngr": tries to take it, true once it is ours (the
    // caller then joins the network as its receiver). While it is not, the sign names whoever
    // holds it now.
    bool RetryMainSlot();

    // Messages kept waiting before the start-up is done, at most; later ones are dropped, as a
    // full mailslot would drop them. More than one hand-over of the mailslot brings at once.
    static constexpr size_t kMaxWaitingMessages = 1000;

private:
    // A stored message whose answer and notification are still to come.
    struct Received {
        TMsgData record;
        std::string sender;
        std::int32_t position = 0;  // in Inbox, from 1
    };

    void RunStartUp();
    // A start-up step that reads a file of its own fails alone: its data stays empty, and the
    // user is told once the start-up is done, with the file and the reason.
    void ReadAlone(const std::function<void()>& step);
    void LoadStore(KeptMsgList& store);
    void ReadUserList();
    void ReportStartUpFiles();
    void RunShutdown();
    bool TakeMainSlot();
    void SayMainSlotHeld();
    void StopMessengerService();
    void RestoreMessengerService();

    void StoreWaitingMessages();
    // At exit: everything taken from the mailslot, and what still waits in its queue, is stored
    // (on disk with SaveUserBoxes) in arrival order, without answers or windows.
    void StoreArrivedMessages();
    // Stores, answers and shows what waits (the end of a batch of the mailslot, or one message).
    void HandleArrived();
    // Stores datagrams that arrived together: one write to the store, one update of the count.
    void StoreTogether(const std::deque<MessengerMessage>& arrived);
    void AnswerAndNotifyStored();
    // Whether showing a message holds the handler until the user closes it (a box or window).
    bool NotificationWaitsForUser() const;
    // With `show` false the message is answered but not shown (a later one is, at once).
    void AnswerAndNotify(const Received& message, bool show);
    void AnswerAutomatically(const Received& message);
    void Notify(const Received& message);

    void SendToLastSender(const std::string& text);
    void SendToUserList(const std::string& wire_text, const std::string& pane_text);
    void FinishListSend(bool ok, const std::string& names, TMsgData record);
    // ClearMsg after a send that went out; text the user typed meanwhile is kept.
    void ClearSentText(const std::string& pane_text);

    // Browsing: the store and position of the pane a command acts on.
    bool OutboxFocused() const { return panes_.FocusedPane() == Pane::SendText; }
    Pane ClipboardPane() const { return OutboxFocused() ? Pane::SendText : Pane::RecText; }
    void ShowInboxMessage();
    void ShowOutboxMessage();
    void Page(int step);
    void DeleteShown(KeptMsgList& store, std::int32_t& position);

    // Appends a record, and with SaveUserBoxes writes it to the store's file at once; a failing
    // file goes to the default error report, once until a write succeeds again. Deletions go
    // through KeptMsgList::Delete(index, KeepStoreFiles()), which rewrites the file atomically.
    void AddToStore(KeptMsgList& store, TMsgData record);
    void AddToStore(KeptMsgList& store, std::vector<TMsgData> records);

    int PresenceTrayImage() const;
    // Keeps OnMgrState's answer with the presence and auto-reply.
    void PublishMgrState();
    bool KeepStoreFiles() const { return options_.SaveUserBoxes(); }

    MainWindowView& window_;
    MessagePanesView& panes_;
    TrayView& tray_;
    DialogsView& dialogs_;
    ShellView& shell_;
    TOptions& options_;
    Identity& identity_;
    Profile& identity_file_;
    std::string data_dir_;
    MailslotSystem& mailslots_;
    MessengerServiceControl& messenger_service_;
    AddresseeList& user_list_;
    NetworkScanRequests& network_scan_;
    std::function<std::optional<std::string>()> computer_name_;
    std::string workgroup_;
    std::function<std::string(std::string_view)> mailslot_holder_;

    KeptMsgList inbox_;
    KeptMsgList outbox_;
    std::int32_t InboxPos_ = 0;
    std::int32_t InboxCount_ = 0;
    std::int32_t OutboxPos_ = 0;
    std::string CompName_;
    std::vector<std::string> ReplyList_;
    std::vector<std::string> MacroList_;
    bool TextOnStartPending_ = true;
    bool IsActive_ = true;
    std::atomic<std::int32_t> mgr_state_{0};  // OnMgrState's answer, kept with the presence
    std::string LastSender_;
    bool ServiceStopped_ = false;
    std::string receiving_problem_;  // ANSI; empty while this computer receives

    AnswerThrottle answer_throttle_;
    std::vector<std::string> start_up_reports_;  // shown once the start-up is done
    bool user_list_read_ = false;                // users.dat is only written over after it was read
    bool receiving_ = false;  // the start-up is done and the shutdown has not begun
    bool storing_ = false;    // messages are being stored (a failure's box may be open)
    bool notifying_ = false;  // a message is being answered or notified
    bool ending_ = false;     // the shutdown stores what arrived: quietly
    bool store_failure_reported_ = false;
    std::deque<MessengerMessage> waiting_;  // not stored yet
    uint64_t waiting_dropped_ = 0;    // beyond kMaxWaitingMessages before the start-up was done
    std::deque<Received> to_notify_;  // stored, their answers and notifications to come
    bool list_send_in_flight_ = false;

    // Last, so that they go first: their threads call into the controller.
    TmdWinPopup MainSlot;
    std::unique_ptr<DatagramSending> sending_;
};

}  // namespace lyr
