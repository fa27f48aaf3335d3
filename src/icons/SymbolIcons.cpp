// SPDX-License-Identifier: GPL-3.0-or-later
#include "icons/SymbolIcons.h"

#include "icons/SymbolIconEngine.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

QString fileStem(Symbol symbol)
{
    switch (symbol) {
    case Symbol::eye:
        return u"eye"_s;
    case Symbol::pencil:
        return u"pencil"_s;
    case Symbol::folder:
        return u"folder"_s;
    case Symbol::gear:
        return u"gear"_s;
    case Symbol::xmark:
        return u"xmark"_s;
    case Symbol::warningTriangle:
        return u"warning"_s;
    case Symbol::page:
        return u"page"_s;
    case Symbol::gearshape:
        return u"gearshape"_s;
    case Symbol::person:
        return u"person"_s;
    }
    return {};
}

} // namespace

QString symbolName(Symbol symbol)
{
    switch (symbol) {
    case Symbol::warningTriangle:
        return u"exclamationmark.triangle"_s;
    case Symbol::page:
        return u"text.page"_s;
    default:
        return fileStem(symbol);
    }
}

QString symbolResourcePath(Symbol symbol)
{
    return u":/vantry/symbols/%1.svg"_s.arg(fileStem(symbol));
}

QIcon symbolIcon(Symbol symbol, const QPalette &palette)
{
    const SymbolIconEngine::Colors colors {
        palette.color(QPalette::Active, QPalette::WindowText),
        palette.color(QPalette::Disabled, QPalette::WindowText),
        palette.color(QPalette::Active, QPalette::HighlightedText),
    };
    const QString key = u"%1:%2:%3:%4"_s.arg(static_cast<int>(symbol))
                            .arg(colors.normal.rgba())
                            .arg(colors.disabled.rgba())
                            .arg(colors.selected.rgba());
    static QHash<QString, QIcon> cache;
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QIcon icon(new SymbolIconEngine(symbolResourcePath(symbol), colors));
    cache.insert(key, icon);
    return icon;
}

} // namespace vantry
