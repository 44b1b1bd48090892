// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QProxyStyle>

namespace lyr {

// Sizes and paints menu items as the tray menu shows them (see tray_menu_painting.h), with a
// raised three-pixel frame around the menu; everything else comes from the Fusion style.
class TrayMenuStyle : public QProxyStyle {
    Q_OBJECT

public:
    TrayMenuStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

// A menu whose items are drawn by the program itself, as the tray menu's are: captions as
// they stand, shortcut texts in the program's own spelling, the side band, the grey
// selection. Its submenus, made with AddSubmenu, look the same.
class TrayPopupMenu : public QMenu {
    Q_OBJECT

public:
    explicit TrayPopupMenu(QWidget* parent = nullptr);

    TrayPopupMenu* AddSubmenu(const QString& title);

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
    void actionEvent(QActionEvent* event) override;

private:
    TrayMenuStyle* style_;
};

}  // namespace lyr
