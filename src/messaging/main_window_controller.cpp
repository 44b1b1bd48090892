// SPDX-License-Identifier: GPL-3.0-or-later
#include "messaging/main_window_controller.h"

#include <cstring>
#include <exception>

#include "app/program_titles.h"
#include "base/log.h"
#include "contacts/users_file.h"
#include "messaging/message_texts.h"
#include "messaging/quick_texts.h"
#include "messaging/window_layout.h"
#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace lyr {

MainWindowController::MainWindowController(const MainWindowViews& views,
                                           const MainWindowServices& services)
    : window_(views.window),
      panes_(views.panes),
      tray_(views.tray),
      dialogs_(views.dialogs),
      shell_(views.shell),
      options_(services.options),
      identity_(services.identity),
      identity_file_(services.identity_file),
      data_dir_(services.data_dir),
      mailslots_(services.mailslots),
      messenger_service_(services.messenger_service),
      user_list_(services.user_list),
      network_scan_(services.network_scan),
      computer_name_(services.computer_name),
      workgroup_(services.workgroup()),
      mailslot_holder_(services.mailslot_holder),
      inbox_(data_dir_ + kInboxFileName),
      outbox_(data_dir_ + kOutboxFileName),
      answer_throttle_(services.tick),
      MainSlot(services.mailslots, services.ui_thread, services.tick) {
    if (services.send_in_background) {
        sending_ =
            std::make_unique<BackgroundDatagramSending>(services.mailslots, services.ui_thread);
    } else {
        sending_ = std::make_unique<DirectDatagramSending>(services.mailslots);
    }
    MainSlot.OnMessage = [this](TmdCustomWinPopup&, const MessengerMessage& message) {
        MainSlotMessage(message);
    };
    MainSlot.OnBatchEnd = [this](TmdCustomMailSlot&) { HandleArrived(); };
    PublishMgrState();
}

MainWindowController::~MainWindowController() {
    // Sends still on their way are given up on; their results are not wanted any more.
    sending_.reset();
    // The wait thread may be handing a message over; stop it while the controller still exists.
    MainSlot.SetActive(false);
}

void MainWindowController::FormCreate() {
    try {
        RunStartUp();
    } catch (const std::exception& error) {
        dialogs_.ReportError(error.what());
    }
    receiving_ = true;
    ReportStartUpFiles();
    HandleArrived();
}

void MainWindowController::RunStartUp() {
    window_.SetCaption(kMainWindowTitle);
    tray_.SetTrayIcon(kTrayImageWorking);
    tray_.SetTrayHint(Utf8ToAnsi(std::string(kProgramTitle) + " - инициализация"));
    if (options_.SizeY() != 0) {
        window_.SetBounds(
            {options_.PositionX(), options_.PositionY(), options_.SizeX(), options_.SizeY()});
    }
    ReadAlone([&] { ReplyList_ = LoadQuickTexts(data_dir_ + kReplyFileName); });
    ReadAlone([&] { MacroList_ = LoadQuickTexts(data_dir_ + kMacroFileName); });
    ReadAlone([&] { identity_file_.CheckReadable(); });
    identity_ = ReadIdentity(identity_file_);
    shell_.RefreshMenus();
    if (options_.NTService()) {
        StopMessengerService();
    }
    if (!TakeMainSlot()) {
        SayMainSlotHeld();
    }
    if (!MainSlot.Active() && options_.CheckAnother()) {
        dialogs_.ShowMessageBox({Utf8ToAnsi("Обнаружен другой приемник сообщений.\r\n"
                                            "Messenger будет работать только на передачу."),
                                 kProgramTitle, BoxIcon::Information});
    }
    window_.CreateSkinTiles();
    if (options_.SizeX() == 0) {
        window_.SetClientSize(SnapClientSizeToTileGrid(window_.GetClientSize()));
    }
    window_.PlaceControls(
        LayoutForClientSize(window_.GetClientSize(), options_.P2X(), options_.P5Y()));
    window_.CreateCaptionButtons();
    window_.LoadSkin();
    window_.ApplySkinColorsAndFonts();
    panes_.SetRecTextWordWrap(options_.WordWrap());
    tray_.SetChecked(MenuItem::miWordWrap, options_.WordWrap());
    if (options_.SaveUserBoxes()) {
        ReadAlone([&] { LoadStore(inbox_); });
        ReadAlone([&] { LoadStore(outbox_); });
        InboxCount_ = static_cast<std::int32_t>(Inbox().Count());
        InboxPos_ = InboxCount_;
        OutboxPos_ = static_cast<std::int32_t>(Outbox().Count());
        if (InboxCount_ > 0) {
            const TMsgData& last = Inbox().Item(Inbox().Count() - 1);
            panes_.SetRecText(last.Text);
            panes_.SetFromPanelCaption(FromPanelCaption(last));
        }
    }
    if (options_.SaveUserList()) {
        ReadAlone([&] { ReadUserList(); });
    }
    CompName_ = ApplyIdentityDefaults(identity_, computer_name_());
    tray_.SetChecked(MenuItem::miAutoReply, options_.AutoReply());
    tray_.SetChecked(MenuItem::smiAutoReply, options_.AutoReply());
    if (options_.AutoReply()) {
        tray_.SetTrayIcon(kTrayImageAutoReply);
    }
    window_.SetShowOnStart(!options_.MinOnStart());
    // A first start shows no window: the user is told once where the program went.
    if (options_.MinOnStart() && options_.FirstStart() && options_.DesktopNotify()) {
        shell_.DesktopNotifyState(
            kMainWindowTitle,
            Utf8ToAnsi("Программа работает в области уведомлений: щелчок по её значку открывает "
                       "окно."));
    }
    if (user_list_.Empty() || options_.StartupRescan()) {
        network_scan_.StartNetworkScan();
    }
    network_scan_.ArmRescanTimer(options_.AutoRescan(), options_.RescanTime());
    shell_.UpdateHotKey();
    RestorePresenceTray();
    shell_.AddViewSkinsMenuItem();
    if (!options_.MinOnStart()) {
        shell_.EnableSetTextOnStartTimer();
    }
}

bool MainWindowController::TakeMainSlot() {
    try {
        MainSlot.SetActive(true);
    } catch (const std::exception&) {
        MainSlot.SetActive(false);
    }
    return MainSlot.Active();
}

void MainWindowController::SayMainSlotHeld() {
    // Only a name in use means another receiver; out of descriptors, say that instead.
    const std::string& slot = MainSlot.Slot();
    const std::string cause =
        MainSlot.OpenError() == MailslotCreateError::AlreadyExists
            ? "почтовый ящик " + slot + " занят другим приемником: " + mailslot_holder_(slot)
            : "почтовый ящик " + slot + " не открывается: " +
                  (MainSlot.OpenErrno() != 0 ? std::string(std::strerror(MainSlot.OpenErrno()))
                                             : std::string("ошибка системы"));
    if (Utf8ToAnsi(cause) != receiving_problem_) {
        LogLine(LogSeverity::Warning, "messenger", cause);
    }
    SetReceivingProblem(cause);
}

bool MainWindowController::RetryMainSlot() {
    if (MainSlot.Active() || TakeMainSlot()) {
        return true;
    }
    SayMainSlotHeld();
    return false;
}

void MainWindowController::ReadAlone(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& error) {
        start_up_reports_.push_back(UnreadableStartUpFileText(error.what()));
    }
}

void MainWindowController::LoadStore(KeptMsgList& store) {
    const StoreLoad load = store.Load();
    if (!load.unreadable.empty()) {
        start_up_reports_.push_back(
            UnreadableStoreText(store.File(), load.unreadable, load.set_aside));
    } else if (!load.complete) {
        start_up_reports_.push_back(DamagedStoreText(store.File(), load));
    }
}

// A users.dat that is no users file is kept beside before the list is written over at exit.
void MainWindowController::ReadUserList() {
    const std::filesystem::path file = data_dir_ + kUsersFileName;
    if (!user_list_.ReadUsersFile() && UsersFileDamaged(file)) {
        const auto copy = KeepDamagedCopy(file);
        if (!copy) {
            throw Exception("Cannot keep the damaged " + file.string() + " as " + file.string() +
                            ".bad; it is left as it was");
        }
        start_up_reports_.push_back(DamagedUsersFileText(file, *copy));
    }
    user_list_read_ = true;
}

void MainWindowController::ReportStartUpFiles() {
    for (const std::string& text : start_up_reports_) {
        dialogs_.ShowMessageBox({text, kProgramTitle, BoxIcon::Warning});
    }
    start_up_reports_.clear();
}

void MainWindowController::FormShow() {
    if (TextOnStartPending_ && !Inbox().Empty()) {
        panes_.SetRecText(Inbox().Item(Inbox().Count() - 1).Text);
        TextOnStartPending_ = false;
    }
}

void MainWindowController::SetTextOnStartTimer() {
    if (TextOnStartPending_ && !Inbox().Empty()) {
        panes_.SetRecText(Inbox().Item(Inbox().Count() - 1).Text);
    }
    TextOnStartPending_ = false;
}

void MainWindowController::OnQueryEndSession() {
    ServiceStopped_ = false;
}

void MainWindowController::FormDestroy() {
    StoreArrivedMessages();
    // Messages that still arrive wait unhandled, as in a mailslot nobody reads any more.
    receiving_ = false;
    try {
        RunShutdown();
    } catch (const std::exception& error) {
        dialogs_.ReportError(error.what());
    }
}

void MainWindowController::RunShutdown() {
    tray_.SetTrayIcon(kTrayImageWorking);
    tray_.SetTrayHint(Utf8ToAnsi(std::string(kProgramTitle) + " - завершение работы"));
    shell_.UnregisterHotKey();
    const WindowBounds bounds = window_.Bounds();
    options_.SetWindowBounds(bounds.Left, bounds.Top, bounds.Width, bounds.Height);
    options_.SetP2X(window_.Panel2Width());
    options_.SetP5Y(window_.Panel5Height());
    MacroList_.clear();
    ReplyList_.clear();
    if (options_.SaveUserList() && user_list_read_) {
        user_list_.WriteUsersFile();
    }
    if (options_.SaveUserBoxes()) {
        inbox_.Keep();
        outbox_.Keep();
    }
    inbox_.DisposeAll();
    outbox_.DisposeAll();
    MainSlot.SetActive(false);
    if (ServiceStopped_) {
        RestoreMessengerService();
    }
}

void MainWindowController::StopMessengerService() {
    const ServiceStopOutcome outcome = messenger_service_.StopMessengerService();
    if (outcome.stopped) {
        ServiceStopped_ = true;
    }
    if (outcome.error) {
        dialogs_.ShowMessageBox({Utf8ToAnsi("Ошибка остановки службы сообщений:") +
                                     std::to_string(outcome.error->code) + " " +
                                     outcome.error->text,
                                 kProgramTitle, BoxIcon::Error});
    }
}

void MainWindowController::RestoreMessengerService() {
    tray_.SetTrayIcon(kTrayImageWorking);
    tray_.SetTrayHint(Utf8ToAnsi("Запуск службы сообщений..."));
    messenger_service_.StartMessengerService();
}

}  // namespace lyr
