// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>

namespace lyr {

// The settings dialog's list of skins: "<default>", the subdirectories of a directory in
// capitals and its .bmp, .zip and .wsz files, sorted without regard to case. Only what the
// user does picks an entry: a left click on one, a key that moves to another, Enter or a
// double click. A row that becomes current because the list took the focus is no pick.
class SkinsListBox : public QListWidget {
    Q_OBJECT

public:
    explicit SkinsListBox(QWidget* parent = nullptr);

    // Empties the list and lists the skins of `dir` (the current directory when empty).
    void Fill(const QString& dir);
    // The name of entry `row` as it is on disk, which a capitalised directory may not be.
    QString DiskName(int row) const;
    // The entry the user picked last in this listing; -1 for none.
    int PickedRow() const;

signals:
    void EntryPicked(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace lyr
