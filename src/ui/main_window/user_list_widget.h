// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QImage>
#include <QListView>
#include <QStyledItemDelegate>

#include <array>

#include "contacts/user_list.h"

namespace lyr {

// The four 16 x 16 images of the user list: 0 dark box, 1 dark ticked, 2 white box, 3 white
// ticked.
const std::array<QImage, 4>& UserImages();

// The rows of a UserList, one per entry; the delegate reads the entries themselves. Each row
// tells its name and whether it is ticked, which assistive technology reads; the ticking
// itself is the list's (UserList::UserListMouseDown).
class UserListModel final : public QAbstractListModel {
public:
    explicit UserListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}
    void SetList(const UserList* list);
    // The entries were replaced, added or removed.
    void Reload();
    // Entries were ticked or unticked.
    void TicksChanged();
    const UserList* List() const { return list_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const UserList* list_ = nullptr;
};

// Draws each row as DrawUserRow says, in the list's background and text colours.
class UserRowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The list control UserList: 16-pixel rows, a press goes to UserList::UserListMouseDown.
class UserListWidget final : public QListView {
public:
    explicit UserListWidget(QWidget* parent = nullptr);
    void SetList(UserList* list);
    UserListModel& Model() { return model_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click is a press like any other.
    void mouseDoubleClickEvent(QMouseEvent* event) override { mousePressEvent(event); }

private:
    UserListModel model_;
    UserList* list_ = nullptr;
};

}  // namespace lyr
