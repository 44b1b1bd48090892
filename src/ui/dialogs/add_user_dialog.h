// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "contacts/views.h"

class QComboBox;
class QLineEdit;

namespace lyr {

// TAddUserDlg, "Ввод нового пользователя": a computer's name and its group.
class TAddUserDlg final : public QDialog, public AddUserDialog {
    Q_OBJECT

public:
    explicit TAddUserDlg(QWidget* parent = nullptr);

    std::optional<NewUser> ShowModal(const std::vector<std::string>& groups) override;

    // For the tests: fill the dialog as ShowModal does, without showing it.
    void Fill(const std::vector<std::string>& groups);
    NewUser Result() const;
    QLineEdit* NewCompName() const { return NewCompName_; }
    QComboBox* DomainBox() const { return DomainBox_; }

private:
    QLineEdit* NewCompName_;
    QComboBox* DomainBox_;
};

}  // namespace lyr
