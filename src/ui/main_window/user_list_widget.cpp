// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window/user_list_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "contacts/user_list_drawing.h"
#include "ui/ansi_text.h"
#include "ui/hint.h"

namespace lyr {
namespace {

QImage DrawCheckBox(bool white, bool ticked) {
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const QColor ink = white ? QColor(255, 255, 255) : QColor(0, 0, 0);
    painter.setPen(ink);
    painter.drawRect(2, 2, 11, 11);
    if (ticked) {
        QPen pen(ink, 2);
        painter.setPen(pen);
        painter.drawLine(4, 8, 7, 11);
        painter.drawLine(7, 11, 12, 4);
    }
    return image;
}

ColorRef ToColorRef(const QColor& color) {
    return MakeColorRef(color.red(), color.green(), color.blue());
}

QColor FromColorRef(ColorRef color) {
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

}  // namespace

const std::array<QImage, 4>& UserImages() {
    static const std::array<QImage, 4> images = {
        DrawCheckBox(false, false), DrawCheckBox(false, true), DrawCheckBox(true, false),
        DrawCheckBox(true, true)};
    return images;
}

void UserListModel::SetList(const UserList* list) {
    beginResetModel();
    list_ = list;
    endResetModel();
}

void UserListModel::Reload() {
    beginResetModel();
    endResetModel();
}

int UserListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || list_ == nullptr)
        return 0;
    return static_cast<int>(list_->Entries().size());
}

QVariant UserListModel::data(const QModelIndex& index, int role) const {
    if (list_ == nullptr || !index.isValid() || index.row() >= rowCount())
        return {};
    const TUserData& entry = list_->Entries()[index.row()];
    if (role == Qt::DisplayRole)
        return FromAnsi(entry.Name);
    if (role == Qt::CheckStateRole)
        return entry.Checked ? Qt::Checked : Qt::Unchecked;
    return {};
}

Qt::ItemFlags UserListModel::flags(const QModelIndex& index) const {
    return QAbstractListModel::flags(index) | Qt::ItemIsUserCheckable;
}

void UserListModel::TicksChanged() {
    if (const int rows = rowCount(); rows > 0)
        emit dataChanged(index(0), index(rows - 1), {Qt::CheckStateRole});
}

void UserRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    auto* model = dynamic_cast<const UserListModel*>(index.model());
    if (model == nullptr || model->List() == nullptr)
        return;
    const auto& entries = model->List()->Entries();
    if (index.row() < 0 || static_cast<size_t>(index.row()) >= entries.size())
        return;
    const TUserData& entry = entries[index.row()];
    const QRect& r = option.rect;
    const QPalette& palette = option.palette;
    UserRowDrawing drawing = DrawUserRow(
        entry, {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()},
        (option.state & QStyle::State_HasFocus) != 0, ToColorRef(palette.color(QPalette::Base)),
        ToColorRef(palette.color(QPalette::Text)));
    painter->save();
    const RowRect& fill = drawing.FillRect;
    painter->fillRect(QRect(fill.Left, fill.Top, fill.Right - fill.Left, fill.Bottom - fill.Top),
                      FromColorRef(drawing.FillColor));
    if (drawing.Image >= 0 && drawing.Image < 4) {
        painter->drawImage(QPoint(drawing.ImageLeft, drawing.Top), UserImages()[drawing.Image]);
    }
    QFont font = option.font;
    font.setBold(drawing.FontStyle != RowFontStyle::Plain);
    font.setUnderline(drawing.FontStyle == RowFontStyle::BoldUnderline);
    painter->setFont(font);
    painter->setPen(palette.color(QPalette::Text));
    painter->drawText(QRect(drawing.TextLeft, drawing.Top, r.right() - drawing.TextLeft + 1,
                            UserList::kRowHeight),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, FromAnsi(entry.Name));
    painter->restore();
}

QSize UserRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return QSize(20, UserList::kRowHeight);
}

UserListWidget::UserListWidget(QWidget* parent) : QListView(parent), model_(this) {
    setModel(&model_);
    setItemDelegate(new UserRowDelegate(this));
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMinimumWidth(20);
    SetHint(*this, QStringLiteral("Список пользователей."));
}

void UserListWidget::SetList(UserList* list) {
    list_ = list;
    model_.SetList(list);
}

void UserListWidget::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    if (list_ == nullptr)
        return;
    UserList::MouseButton button = UserList::MouseButton::Other;
    switch (event->button()) {
        case Qt::LeftButton:
            button = UserList::MouseButton::Left;
            break;
        case Qt::RightButton:
            button = UserList::MouseButton::Right;
            break;
        case Qt::MiddleButton:
            button = UserList::MouseButton::Middle;
            break;
        default:
            break;
    }
    const QPoint at = event->position().toPoint();
    list_->UserListMouseDown(button, at.x(), at.y(), verticalScrollBar()->value());
}

}  // namespace lyr
