// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "ui/program/ui_log.h"

namespace lyr {

bool LoadQtRussianTranslations() {
    // qtbase_ru holds the widgets' texts; the application owns the translator.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qCWarning(lcUi) << "Qt's Russian translations are not installed (qt6-translations-l10n)";
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace lyr
