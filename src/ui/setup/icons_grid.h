// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPixmap>
#include <QTableWidget>

namespace lyr {

// One row of 34 x 34 cells, one per picture, scrolled sideways. A cell is white, grey while
// selected, outlined with a dotted line while it has the focus, and shows its picture one
// pixel in from its top-left corner.
class IconsGrid : public QTableWidget {
    Q_OBJECT

public:
    static constexpr int kCellSize = 34;

    explicit IconsGrid(QWidget* parent = nullptr);

    // One column per picture; no cell is current afterwards.
    void SetPictures(const QList<QPixmap>& pictures);
    const QList<QPixmap>& Pictures() const { return pictures_; }

signals:
    // The user or the program made column `column` the current one; only columns that have a
    // picture are reported.
    void PictureSelected(int column);

private:
    QList<QPixmap> pictures_;
};

}  // namespace lyr
