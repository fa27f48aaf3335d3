// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayIconArt.h"

#include "core/AppInfo.h"
#include "icons/SymbolIconEngine.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace vantry::TrayIconArt {

namespace {

double channel(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &color)
{
    const QColor c = color.toRgb();
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// Above this luminance a colour contrasts more with black than with white.
constexpr double midLuminance = 0.179;

// Our drawing, with the themed name when the icon theme has it: StatusNotifierItem hosts
// then draw theirs (recoloured); the others, and XEmbed trays, get these pixels.
class TrayIconEngine final : public QIconEngine
{
public:
    TrayIconEngine(Tone tone, QString name)
        : m_tone(tone)
        , m_name(std::move(name))
        , m_symbol(u":/vantry/icons/%1.svg"_s.arg(TrayIconArt::iconName()),
              { inkColor(tone), inkColor(tone), inkColor(tone) })
    { }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        // Tray icons keep clear of their slot's edges, where the tray's background shows:
        // about a tenth, 2 px in the usual 22 px slot.
        const int margin = qRound(std::min(rect.width(), rect.height()) / 11.0);
        m_symbol.paint(
            painter, rect.marginsRemoved(QMargins(margin, margin, margin, margin)), mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, pixmap.rect(), mode, state);
        return pixmap;
    }
    QIconEngine *clone() const override { return new TrayIconEngine(m_tone, m_name); }
    QString key() const override { return u"vantry-tray"_s; }
    QString iconName() override { return m_name; }
    bool isNull() override { return m_symbol.isNull(); }
    // The sizes panels ask for; the drawing scales to any.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return { QSize(16, 16), QSize(22, 22), QSize(24, 24), QSize(32, 32), QSize(48, 48) };
    }

private:
    Tone m_tone;
    QString m_name;
    SymbolIconEngine m_symbol;
};

// GNOME's AppIndicator extension also takes a file path for the name, and draws a symbolic
// SVG in its bar's colours: where the icon theme lacks ours (run from the build tree), it
// gets a copy.
QString symbolicFile()
{
    const auto desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!desktops.contains(u"GNOME"_s, Qt::CaseInsensitive) || dir.isEmpty())
        return {};
    const QString path = dir + u'/' + iconName() + u".svg"_s;
    QFile::remove(path);
    return QFile::copy(u":/vantry/icons/%1.svg"_s.arg(iconName()), path) ? path : QString();
}

} // namespace

QString iconName()
{
    return AppInfo::appId() + u"-symbolic"_s;
}

Tone toneFor(const std::optional<QColor> &trayForeground,
    const std::optional<QColor> &trayBackground, const QPalette &palette)
{
    if (!trayForeground && trayBackground)
        return luminance(*trayBackground) > midLuminance ? Tone::dark : Tone::light;
    const QColor ink = trayForeground ? *trayForeground : palette.color(QPalette::WindowText);
    return luminance(ink) > midLuminance ? Tone::light : Tone::dark;
}

QColor inkColor(Tone tone)
{
    // The text colours of common light and dark desktop themes.
    return tone == Tone::light ? QColor(0xf5, 0xf5, 0xf5) : QColor(0x23, 0x26, 0x29);
}

QIcon icon(Tone tone)
{
    // A name the host cannot find would leave an empty slot on hosts that do not fall back
    // to the pixels (Qt then hands over a picture file instead), so name only what is installed.
    const QString name = iconName();
    return QIcon(new TrayIconEngine(tone, QIcon::hasThemeIcon(name) ? name : symbolicFile()));
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace vantry::TrayIconArt
