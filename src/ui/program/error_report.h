// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace lyr {

// The default error report's text: the error's message, followed by "." when its last
// character has a greater code than "." has.
QString ErrorReportText(const QString& message);

// Whether LYR_MESSAGE_BOXES=stderr is in the environment (the tests): message boxes are then
// written to the standard error and nothing waits for a click.
bool MessageBoxesGoToStandardError();

// A message box without owner. Its text is plain text, whatever it holds (it may come from the
// network); `on_top` keeps it above every other window. With LYR_MESSAGE_BOXES=stderr in the
// environment (the tests) it is written to the standard error instead ("TITLE: TEXT") and
// nothing blocks.
void ShowMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                    bool on_top = false);

// The default error report: "Zendry Messenger", the error icon, ErrorReportText(message).
void ReportErrorInBox(const QString& message);

// An application whose event handlers may throw: an error that reaches the event loop goes to
// the default error report and the program runs on.
class MessengerApplication : public QApplication {
public:
    MessengerApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace lyr
