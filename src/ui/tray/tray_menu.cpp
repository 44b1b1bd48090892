// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tray/tray_menu.h"

#include <QActionEvent>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include "ui/keys/shortcut_code.h"
#include "ui/skin/skin.h"
#include "ui/tray/tray_menu_painting.h"

namespace lyr {
namespace {

constexpr int kFrameWidth = 3;

// The caption and the shortcut text of an item option ("caption\tshortcut").
std::pair<QString, QString> CaptionAndShortcut(const QStyleOptionMenuItem& option) {
    const qsizetype tab = option.text.indexOf(QLatin1Char('\t'));
    if (tab < 0) {
        return {option.text, QString()};
    }
    return {option.text.left(tab), option.text.mid(tab + 1)};
}

TrayMenuItem ItemOf(const QStyleOptionMenuItem& option) {
    TrayMenuItem item;
    if (option.menuItemType == QStyleOptionMenuItem::Separator) {
        item.caption = QStringLiteral("-");
        return item;
    }
    std::tie(item.caption, item.shortcutText) = CaptionAndShortcut(option);
    if (!option.icon.isNull()) {
        item.bitmap = option.icon.pixmap(QSize(16, 16)).toImage();
    }
    item.checked = option.checkType != QStyleOptionMenuItem::NotCheckable && option.checked;
    item.selected = option.state.testFlag(QStyle::State_Selected) &&
                    option.state.testFlag(QStyle::State_Enabled);
    item.enabled = option.state.testFlag(QStyle::State_Enabled);
    item.hasSubmenu = option.menuItemType == QStyleOptionMenuItem::SubMenu;
    return item;
}

// The classic raised frame: light above and left, dark below and right, twice; then a ring
// of the menu's background.
void PaintFrame(QPainter& painter, const QRect& rect) {
    const QColor lightOuter(224, 224, 224);
    const QColor darkOuter(64, 64, 64);
    const QColor lightInner(255, 255, 255);
    const QColor darkInner(128, 128, 128);
    const QColor background = ToQColor(kTrayMenuBackgroundColor);
    const QColor lights[] = {lightOuter, lightInner, background};
    const QColor darks[] = {darkOuter, darkInner, background};
    for (int ring = 0; ring < kFrameWidth; ++ring) {
        const QRect r = rect.adjusted(ring, ring, -ring, -ring);
        painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), lights[ring]);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), lights[ring]);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), darks[ring]);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), darks[ring]);
    }
}

}  // namespace

TrayMenuStyle::TrayMenuStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int TrayMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                               const QWidget* widget) const {
    switch (metric) {
        case PM_MenuPanelWidth:
            return kFrameWidth;
        case PM_MenuHMargin:
        case PM_MenuVMargin:
        case PM_MenuDesktopFrameWidth:
            return 0;
        case PM_SubMenuOverlap:
            return kFrameWidth;
        case PM_SmallIconSize:
            return 16;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize TrayMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                      const QSize& size, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || item == nullptr) {
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }
    const bool separator = item->menuItemType == QStyleOptionMenuItem::Separator;
    const auto [caption, shortcut] =
        separator ? std::pair(QStringLiteral("-"), QString()) : CaptionAndShortcut(*item);
    return TrayMenuItemSize(item->fontMetrics, caption, shortcut) +
           QSize(kTrayMenuCheckColumnWidth, 0);
}

void TrayMenuStyle::drawControl(ControlElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    switch (element) {
        case CE_MenuItem:
            if (item != nullptr) {
                PaintTrayMenuItem(*painter, item->rect, ItemOf(*item), item->font);
                return;
            }
            break;
        case CE_MenuEmptyArea:
            painter->fillRect(option->rect, ToQColor(kTrayMenuBackgroundColor));
            return;
        default:
            break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void TrayMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const {
    switch (element) {
        case PE_PanelMenu:
            painter->fillRect(option->rect, ToQColor(kTrayMenuBackgroundColor));
            return;
        case PE_FrameMenu:
            PaintFrame(*painter, option->rect);
            return;
        default:
            QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

int TrayMenuStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* returnData) const {
    switch (hint) {
        case SH_Menu_FlashTriggeredItem:
        case SH_Menu_FadeOutOnHide:
            return 0;
        default:
            return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

TrayPopupMenu::TrayPopupMenu(QWidget* parent) : QMenu(parent), style_(new TrayMenuStyle) {
    style_->setParent(this);
    setStyle(style_);
    QPalette colors = palette();
    colors.setColor(QPalette::Window, ToQColor(kTrayMenuBackgroundColor));
    colors.setColor(QPalette::WindowText, ToQColor(kTrayMenuTextColor));
    setPalette(colors);
}

TrayPopupMenu* TrayPopupMenu::AddSubmenu(const QString& title) {
    auto* submenu = new TrayPopupMenu(this);
    submenu->setTitle(title);
    addMenu(submenu);
    return submenu;
}

void TrayPopupMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    if (action->isSeparator()) {
        return;
    }
    // The caption as it stands and the shortcut in the program's spelling; Qt's own shortcut
    // column is kept out (see actionEvent), so the item is as wide as its own texts.
    option->text = action->text();
    const QString shortcut = ShortCutToText(KeySequenceToShortCut(action->shortcut()));
    if (!shortcut.isEmpty()) {
        option->text += QLatin1Char('\t') + shortcut;
    }
    option->reservedShortcutWidth = 0;
}

void TrayPopupMenu::actionEvent(QActionEvent* event) {
    if (event->type() == QEvent::ActionAdded) {
        event->action()->setShortcutVisibleInContextMenu(false);
    }
    QMenu::actionEvent(event);
}

}  // namespace lyr
