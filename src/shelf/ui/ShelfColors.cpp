// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/ui/ShelfColors.h"

#include <QPalette>

#include <algorithm>
#include <cmath>

namespace vantry::ShelfColors {

namespace {

// Below this a name is hard to read (WCAG AA for body text).
constexpr double minimumContrast = 4.5;

double channel(double c)
{
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c)
{
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

} // namespace

QColor listBackground()
{
    return QColor::fromRgbF(0, 0, 0, 0.3f);
}

QColor separator()
{
    return QColor::fromRgbF(1, 1, 1, 0.3f);
}

QColor bannerBorder()
{
    return QColor::fromRgbF(1, 0, 0, 0.6f);
}

bool isDark(const QPalette &palette)
{
    return luminance(palette.color(QPalette::Window)) < 0.18;
}

QColor composite(const QColor &over, const QColor &under)
{
    const float a = over.alphaF();
    auto mix = [a](float o, float u) { return o * a + u * (1 - a); };
    return QColor::fromRgbF(mix(over.redF(), under.redF()), mix(over.greenF(), under.greenF()),
        mix(over.blueF(), under.blueF()));
}

QColor effectiveListBackground(const QPalette &palette)
{
    return composite(listBackground(), palette.color(QPalette::Window));
}

QColor name(const QPalette &palette)
{
    const QColor primary = palette.color(QPalette::WindowText);
    if (isDark(palette))
        return primary;
    const QColor light = QColor::fromRgbF(1, 1, 1, 0.7f);
    const QColor background = effectiveListBackground(palette);
    if (contrastRatio(composite(light, background), background) >= minimumContrast)
        return light;
    return primary;
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace vantry::ShelfColors
