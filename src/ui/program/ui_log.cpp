// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program/ui_log.h"

#include "base/log.h"

namespace lyr {

Q_LOGGING_CATEGORY(lcUi, "lyr.ui")

namespace {

void ToLog(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QByteArray text = message.toUtf8();
    const std::string_view tag = context.category != nullptr ? context.category : "qt";
    const bool error = type == QtCriticalMsg || type == QtFatalMsg;
    LogLine(error ? LogSeverity::Error : LogSeverity::Warning, tag,
            std::string_view(text.constData(), static_cast<size_t>(text.size())));
    if (type == QtFatalMsg)
        std::abort();
}

}  // namespace

void RouteQtMessagesToLog() {
    qInstallMessageHandler(ToLog);
}

}  // namespace lyr
