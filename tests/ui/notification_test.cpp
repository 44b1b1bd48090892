// SPDX-License-Identifier: GPL-3.0-or-later
// What a received message's desktop notification says, and the sounds of the events.
#include <QTest>

#include "messaging/main_window_views.h"
#include "ui/notify/desktop_notifier.h"
#include "ui/notify/event_sound.h"

namespace lyr {

class NotificationTest : public QObject {
    Q_OBJECT

private slots:
    void theBodyIsTheFirstThreeLinesWithMarkupEscapedForAMarkupServer() {
        const QString text = QStringLiteral("a <b>bold</b> & \"quoted\"\r\nline 2\r\n\r\nline 4");
        QCOMPARE(NotificationBody(text, true),
                 QStringLiteral("a &lt;b&gt;bold&lt;/b&gt; &amp; \"quoted\"\nline 2\n…"));
        QCOMPARE(NotificationBody(text, false),
                 QStringLiteral("a <b>bold</b> & \"quoted\"\nline 2\n…"));
        QCOMPARE(NotificationBody(QStringLiteral("one\r\ntwo\r\nthree"), true),
                 QStringLiteral("one\ntwo\nthree"));
        QCOMPARE(NotificationBody(QString(), true), QString());
    }

    void aReceivedASentMessageAndAnErrorSoundTheirThemeEvents() {
        QCOMPARE(EventSoundId(EventSoundOfBeep(kDefaultBeep)), "message-new-instant");
        QCOMPARE(EventSoundId(EventSoundOfBeep(kSimpleBeep)), "message-sent-instant");
        QCOMPARE(EventSoundId(EventSound::Error), "dialog-error");
    }
};

}  // namespace lyr

QTEST_GUILESS_MAIN(lyr::NotificationTest)
#include "notification_test.moc"
