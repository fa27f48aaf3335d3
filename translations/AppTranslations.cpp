// SPDX-License-Identifier: GPL-3.0-or-later
#include "translations/AppTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace vantry {

bool installTranslations(const QLocale &locale)
{
    auto *app = QCoreApplication::instance();
    if (!app)
        return false;

    auto *qt = new QTranslator(app);
    if (qt->load(locale, u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;

    auto *ours = new QTranslator(app);
    if (!ours->load(locale, u"vantry"_s, u"_"_s, u":/vantry/i18n"_s)) {
        delete ours;
        return false;
    }
    QCoreApplication::installTranslator(ours);
    return true;
}

} // namespace vantry
