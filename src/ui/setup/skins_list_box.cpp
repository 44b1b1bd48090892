// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/setup/skins_list_box.h"

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/setup_values.h"

namespace lyr {
namespace {

constexpr int kDiskNameRole = Qt::UserRole;

// The order of adding must not show.
class SkinEntry : public QListWidgetItem {
public:
    SkinEntry(const QString& shown, const QString& diskName) : QListWidgetItem(shown) {
        setData(kDiskNameRole, diskName);
    }

    bool operator<(const QListWidgetItem& other) const override {
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

bool IsSkinFile(const QString& name) {
    for (const char* extension : {".bmp", ".zip", ".wsz"}) {
        if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

}  // namespace

SkinsListBox::SkinsListBox(QWidget* parent) : QListWidget(parent) {
    // A double click or Enter on the entry already picked shows it again, as a click does.
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { emit EntryPicked(row(item)); });
}

void SkinsListBox::Fill(const QString& dir) {
    const QSignalBlocker quiet(this);
    clear();
    addItem(new SkinEntry(QString::fromLatin1(kDefaultSkin), QString::fromLatin1(kDefaultSkin)));
    const QDir directory(dir.isEmpty() ? QStringLiteral(".") : dir);
    const QFileInfoList entries = directory.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir()) {
            addItem(new SkinEntry(entry.fileName().toUpper(), entry.fileName()));
        } else if (IsSkinFile(entry.fileName())) {
            addItem(new SkinEntry(entry.fileName(), entry.fileName()));
        }
    }
    sortItems();
}

QString SkinsListBox::DiskName(int row) const {
    const QListWidgetItem* entry = item(row);
    return entry != nullptr ? entry->data(kDiskNameRole).toString() : QString();
}

int SkinsListBox::PickedRow() const {
    const QList<QListWidgetItem*> picked = selectedItems();
    return picked.isEmpty() ? -1 : row(picked.first());
}

void SkinsListBox::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && currentRow() >= 0) {
        emit EntryPicked(currentRow());
    }
}

void SkinsListBox::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        if (QListWidgetItem* entry = itemAt(event->position().toPoint())) {
            emit EntryPicked(row(entry));
        }
    }
}

}  // namespace lyr
