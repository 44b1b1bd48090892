// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QLabel>
#include <QStatusBar>

#include "contacts/colour.h"
#include "ui/panes/link_text_pane.h"

namespace lyr {

// The separate message window: a received message in a small window of its own, with the
// user's picture at the left and "Esc - закрыть окно" and the sender in the status bar. It
// comes up centred on the desktop, in front of every other window and staying there, and is
// shown modally; Esc closes it (modal result 1) whichever control has the focus.
class TMsgForm : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize kClientSize{346, 137};
    static constexpr QRect kPaintBoxGeometry{8, 24, 32, 32};
    static constexpr QRect kMsgTextGeometry{48, 8, 289, 97};  // at the client size above
    static constexpr int kStatusBarHeight = 19;
    static constexpr int kStatusPanelWidths[2] = {120, 150};

    explicit TMsgForm(QWidget* parent = nullptr);

    // Fills the window for one message, as the receive path does: the background, the second
    // status panel "От: sender (timeText)" (150 pixels wide, or as wide as its text, the window
    // widened to hold it), the text as the pane's one entry, the picture.
    void SetMessage(const QString& sender, const QString& timeText, const QString& text,
                    ColorRef color, int userIcon);
    // The same with the second status panel's text made already.
    void SetContents(const QString& status, const QString& text, ColorRef color, int userIcon);
    // SetMessage, then shows the window modally until it is closed; the modal result.
    int ShowMessage(const QString& sender, const QString& timeText, const QString& text,
                    ColorRef color, int userIcon);

    // The background (the button-face colour until a colour is set); the pane takes it too,
    // with the text colour that reads on it.
    void SetColor(ColorRef color);
    QColor Color() const { return background_; }

    // The picture's number among the ten UserIcons; another number shows none.
    void SetUserIcon(int index);
    int UserIcon() const { return userIcon_; }

    LinkTextPane* MsgText() const { return msgText_; }
    QWidget* PaintBox1() const { return paintBox_; }
    QStatusBar* StatusBar() const { return statusBar_; }
    QLabel* StatusPanel(int index) const { return panels_[index]; }

signals:
    // A click on a link in the message; the main window's link handling takes it.
    void MsgTextURLClick(const QString& URLText, Qt::MouseButton Button);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void PlaceControls();

    LinkTextPane* msgText_;
    QWidget* paintBox_;
    QStatusBar* statusBar_;
    QLabel* panels_[2];
    QColor background_;
    int userIcon_ = 0;
    bool placed_ = false;
};

}  // namespace lyr
