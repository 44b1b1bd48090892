// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/setup/icons_grid.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace lyr {
namespace {

class IconCellDelegate : public QStyledItemDelegate {
public:
    explicit IconCellDelegate(IconsGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QList<QPixmap>& pictures = grid_->Pictures();
        const int column = index.column();
        if (column >= pictures.size()) {
            return;
        }
        const QRect cell = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(cell, selected ? QColor(0x80, 0x80, 0x80) : QColor(Qt::white));
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter->drawRect(cell.adjusted(0, 0, -1, -1));
        }
        painter->drawPixmap(cell.left() + 1, cell.top() + 1, pictures[column]);
    }

private:
    IconsGrid* grid_;
};

}  // namespace

IconsGrid::IconsGrid(QWidget* parent) : QTableWidget(1, 0, parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(kCellSize);
    horizontalHeader()->setDefaultSectionSize(kCellSize);
    verticalHeader()->setDefaultSectionSize(kCellSize);
    setRowHeight(0, kCellSize);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new IconCellDelegate(this));
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column >= 0 && column < pictures_.size()) {
            emit PictureSelected(column);
        }
    });
}

void IconsGrid::SetPictures(const QList<QPixmap>& pictures) {
    const QSignalBlocker quiet(this);
    pictures_ = pictures;
    setColumnCount(static_cast<int>(pictures.size()));
    for (int column = 0; column < columnCount(); ++column) {
        setColumnWidth(column, kCellSize);
    }
    setCurrentCell(-1, -1);
}

}  // namespace lyr
