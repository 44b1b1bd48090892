#include "ui/error_report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace lyr {

QString ErrorReportText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.'))
        return message + u'.';
    return message;
}

void ShowMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text) {
    const char* boxes = std::getenv("LYR_MESSAGE_BOXES");
    if (boxes != nullptr && std::strcmp(boxes, "stderr") == 0) {
        std::fprintf(stderr, "%s: %s\n", title.toUtf8().constData(), text.toUtf8().constData());
        std::fflush(stderr);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.exec();
}

void ReportErrorInBox(const QString& message) {
    ShowMessageBox(QMessageBox::Critical, QStringLiteral("Zendry Messenger"),
                   ErrorReportText(message));
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
