// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/add_user_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "ui/ansi_text.h"
#include "ui/window_showing.h"

namespace lyr {

TAddUserDlg::TAddUserDlg(QWidget* parent)
    : QDialog(parent, Qt::Tool),
      NewCompName_(new QLineEdit(this)),
      DomainBox_(new QComboBox(this)) {
    setObjectName("AddUserDlg");
    setWindowTitle(QStringLiteral("Ввод нового пользователя"));
    setFixedSize(301, 117);

    auto* Image1 = new QLabel(this);
    Image1->setGeometry(8, 8, 32, 32);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    auto* Label1 = new QLabel(QStringLiteral("Имя компьютера"), this);
    Label1->move(60, 4);
    NewCompName_->setObjectName("NewCompName");
    NewCompName_->setGeometry(60, 20, 237, 21);
    auto* Label2 = new QLabel(QStringLiteral("Домен пользователя"), this);
    Label2->move(60, 44);
    DomainBox_->setObjectName("DomainBox");
    DomainBox_->setGeometry(60, 60, 237, 21);
    DomainBox_->setEditable(false);
    auto* Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(144, 89, 75, 25);
    Button1->setDefault(true);
    auto* Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setGeometry(224, 89, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(NewCompName_, DomainBox_);
    setTabOrder(DomainBox_, Button1);
    setTabOrder(Button1, Button2);
}

// Only the groups are refilled; the name keeps what was typed at the last opening.
void TAddUserDlg::Fill(const std::vector<std::string>& groups) {
    DomainBox_->clear();
    for (const auto& group : groups)
        DomainBox_->addItem(FromAnsi(group));
    DomainBox_->setCurrentIndex(groups.empty() ? -1 : 0);
}

NewUser TAddUserDlg::Result() const {
    return {ToAnsi(NewCompName_->text()),
            DomainBox_->currentIndex() < 0 ? std::string() : ToAnsi(DomainBox_->currentText())};
}

std::optional<NewUser> TAddUserDlg::ShowModal(const std::vector<std::string>& groups) {
    Fill(groups);
    CentreOnDesktop(*this);
    NewCompName_->setFocus();
    if (ExecModal(*this) != QDialog::Accepted)
        return std::nullopt;
    return Result();
}

}  // namespace lyr
