// SPDX-License-Identifier: GPL-3.0-or-later
// An error thrown by an event handler reaches the default error report, and the program runs
// on: the next event is still handled. The report goes to the standard error here
// (LYR_MESSAGE_BOXES=stderr), which this test reads back from a file.
#include <QTemporaryFile>
#include <QTimer>

#include <unistd.h>
#include <cstdio>
#include <stdexcept>

#include "ui/program/error_report.h"

int main(int argc, char** argv) {
    ::setenv("LYR_MESSAGE_BOXES", "stderr", 1);
    lyr::MessengerApplication application(argc, argv);
    QTemporaryFile capture;
    if (!capture.open())
        return 2;
    const int saved = ::dup(2);
    ::dup2(capture.handle(), 2);

    bool ranOn = false;
    QTimer::singleShot(0, [] { throw std::runtime_error("Не могу открыть файл"); });
    QTimer::singleShot(10, [&] {
        ranOn = true;
        application.quit();
    });
    application.exec();

    ::fflush(stderr);
    ::dup2(saved, 2);
    capture.seek(0);
    const QString report = QString::fromUtf8(capture.readAll());
    const QString expected = QString::fromUtf8("Zendry Messenger: Не могу открыть файл.\n");
    if (report != expected || !ranOn) {
        std::fprintf(stderr, "report \"%s\", ran on %d\n", report.toUtf8().constData(), ranOn);
        return 1;
    }
    return 0;
}
