// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program/error_report.h"

#include "app/program_titles.h"
#include "ui/notify/event_sound.h"
#include "ui/plain_text.h"
#include "ui/window_showing.h"

#include <cstdio>
#include <exception>

namespace lyr {

QString ErrorReportText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.'))
        return message + u'.';
    return message;
}

bool MessageBoxesGoToStandardError() {
    return qEnvironmentVariable("LYR_MESSAGE_BOXES") == QStringLiteral("stderr");
}

void ShowMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                    bool on_top) {
    if (MessageBoxesGoToStandardError()) {
        std::fprintf(stderr, "%s: %s\n", title.toUtf8().constData(), text.toUtf8().constData());
        std::fflush(stderr);
        return;
    }
    // The sound comes with the box; in the tests' stand-in it would only add the sound
    // system's complaints to the output.
    if (icon == QMessageBox::Critical)
        PlayEventSound(EventSound::Error);
    QMessageBox box(icon, title, ShownPart(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    if (on_top)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    ExecModal(box);
}

void ReportErrorInBox(const QString& message) {
    ShowMessageBox(QMessageBox::Critical, QLatin1String(kProgramTitle), ErrorReportText(message));
}

bool MessengerApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportErrorInBox(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportErrorInBox(QStringLiteral("Unknown error"));
    }
    return false;
}

}  // namespace lyr
