// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/setup/context_help.h"

#include <QVariant>

namespace lyr {
namespace {

constexpr char kHelpContextProperty[] = "helpContext";

}  // namespace

void SetHelpContext(QWidget* control, int topic, const QString& description) {
    control->setProperty(kHelpContextProperty, topic);
    control->setWhatsThis(QStringLiteral("<p>%1</p><p><i>Раздел справки %2</i></p>")
                              .arg(description.toHtmlEscaped())
                              .arg(topic));
}

int HelpContext(const QWidget* control) {
    return control->property(kHelpContextProperty).toInt();
}

QWidget* HelpContextControl(QWidget* widget) {
    for (; widget; widget = widget->isWindow() ? nullptr : widget->parentWidget()) {
        if (HelpContext(widget) != 0) {
            return widget;
        }
    }
    return nullptr;
}

}  // namespace lyr
