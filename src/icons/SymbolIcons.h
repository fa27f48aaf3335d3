// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPalette>
#include <QString>

namespace vantry {

// Our own monochrome line symbols, drawn on a 16 x 16 grid and tinted to a palette.
enum class Symbol {
    eye,
    pencil,
    folder,
    gear,
    xmark,
    warningTriangle,
    page,
    gearshape,
    person,
};

/// The symbol's system name ("eye", "text.page", "exclamationmark.triangle", ...).
QString symbolName(Symbol symbol);

/// The resource path of the symbol's SVG (":/vantry/symbols/....svg").
QString symbolResourcePath(Symbol symbol);

/// The symbol tinted to palette's window text colour (disabled and selected modes use the
/// palette's disabled text and highlighted text). A default palette is the application's.
/// Icons are cached per symbol and colours; main thread only.
QIcon symbolIcon(Symbol symbol, const QPalette &palette = {});

} // namespace vantry
