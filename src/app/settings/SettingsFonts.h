// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QPalette>

namespace vantry {

// The text styles the settings panes share, derived from the widget's own font
// so that the desktop's font choice and scaling carry through.

/// Headings: larger and semi-bold.
inline QFont titleFont(QFont base)
{
    base.setPointSizeF(base.pointSizeF() * 1.45);
    base.setWeight(QFont::DemiBold);
    return base;
}

/// Secondary lines such as the version.
inline QFont subheadlineFont(QFont base)
{
    base.setPointSizeF(base.pointSizeF() * 0.95);
    return base;
}

/// Small print such as the copyright notice.
inline QFont footnoteFont(QFont base)
{
    base.setPointSizeF(base.pointSizeF() * 0.85);
    return base;
}

/// Text that should recede: the window text blended halfway into the window colour.
inline QPalette secondaryPalette(QPalette palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    const QColor mixed = QColor::fromRgbF((text.redF() * 3 + window.redF() * 2) / 5,
        (text.greenF() * 3 + window.greenF() * 2) / 5, (text.blueF() * 3 + window.blueF() * 2) / 5);
    palette.setColor(QPalette::WindowText, mixed);
    return palette;
}

} // namespace vantry
