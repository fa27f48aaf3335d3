// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11Tray.h"
#include "app/TrayIcon.h"
#include "app/TrayIconArt.h"
#include "tray/StatusItem.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;
using vantry::TrayIcon;
using Tone = vantry::TrayIconArt::Tone;
using OptionalColor = std::optional<QColor>;
Q_DECLARE_METATYPE(OptionalColor)
Q_DECLARE_METATYPE(Tone)

namespace {

QPalette paletteWithText(const QColor &window, const QColor &text)
{
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    return palette;
}

// What a panel shows: the icon drawn over its background.
QImage onPanel(const QIcon &icon, int size, const QColor &panel)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(panel);
    QPainter painter(&image);
    icon.paint(&painter, image.rect());
    return image;
}

} // namespace

class TestTrayIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contrastsWithLightAndDarkPanels_data()
    {
        QTest::addColumn<QColor>("panel");
        QTest::addColumn<OptionalColor>("trayForeground");
        QTest::addColumn<OptionalColor>("trayBackground"); // as read from the screen
        QTest::addColumn<QPalette>("palette");
        const QPalette light = paletteWithText(QColor(0xef, 0xf0, 0xf1), QColor(0x23, 0x26, 0x29));
        const QPalette dark = paletteWithText(QColor(0x31, 0x36, 0x3b), QColor(0xfc, 0xfc, 0xfc));

        // XEmbed trays that name their text colour: it wins over a palette that says otherwise.
        QTest::newRow("Xfce light panel")
            << QColor(0xf6, 0xf5, 0xf4) << OptionalColor(QColor(0x2e, 0x34, 0x36))
            << OptionalColor(Qt::black) << dark;
        QTest::newRow("Cinnamon dark panel")
            << QColor(0x2f, 0x2f, 0x2f) << OptionalColor(QColor(0xda, 0xda, 0xda))
            << OptionalColor() << light;
        QTest::newRow("grey text on a dark panel")
            << QColor(0x3c, 0x3c, 0x3c) << OptionalColor(QColor(0x9a, 0x9a, 0x9a))
            << OptionalColor() << light;
        // No colours from the tray: its background decides where it could be read, else the
        // theme's palette.
        QTest::newRow("light tray, dark theme") << QColor(0xdc, 0xda, 0xd5) << OptionalColor()
                                                << OptionalColor(QColor(0xdc, 0xda, 0xd5)) << dark;
        QTest::newRow("light theme's panel")
            << QColor(0xef, 0xf0, 0xf1) << OptionalColor() << OptionalColor() << light;
        QTest::newRow("dark theme's panel")
            << QColor(0x31, 0x36, 0x3b) << OptionalColor() << OptionalColor() << dark;
    }
    void contrastsWithLightAndDarkPanels()
    {
        QFETCH(QColor, panel);
        QFETCH(OptionalColor, trayForeground);
        QFETCH(OptionalColor, trayBackground);
        QFETCH(QPalette, palette);
        const Tone tone = vantry::TrayIconArt::toneFor(trayForeground, trayBackground, palette);
        const QIcon icon = vantry::TrayIconArt::icon(tone);
        for (int size : { 16, 22, 24 }) {
            const QImage alone
                = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(alone.size(), QSize(size, size));
            const QImage shown = onPanel(icon, size, panel);
            // Every pixel the drawing mostly covers stands out at least 3:1 from the panel,
            // and the drawing covers enough of the square to be seen, clear of its edges.
            int ink = 0;
            double weakest = 21;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const bool edge = x == 0 || y == 0 || x == size - 1 || y == size - 1;
                    QVERIFY(!edge || alone.pixelColor(x, y).alpha() == 0);
                    if (alone.pixelColor(x, y).alphaF() < 0.75)
                        continue;
                    ++ink;
                    weakest = std::min(
                        weakest, vantry::TrayIconArt::contrastRatio(shown.pixelColor(x, y), panel));
                }
            }
            QVERIFY2(
                ink >= size * size / 8, qPrintable(u"%1 px of ink at %2"_s.arg(ink).arg(size)));
            QVERIFY2(weakest >= 3.0,
                qPrintable(u"contrast %1:1 at %2 px"_s.arg(weakest, 0, 'f', 2).arg(size)));
        }
    }

    void carriesARecolourableSymbolicIconNamedOnlyOnceInstalled()
    {
        // StatusNotifierItem hosts get the name as IconName and look it up in the icon theme.
        const QString name = vantry::TrayIconArt::iconName();
        QFile svg(
            qEnvironmentVariable("VANTRY_SOURCE_DIR") + u"/resources/icons/"_s + name + u".svg"_s);
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        // Panels recolour symbolic icons by restyling their fills (GTK) or through the colour
        // scheme class (Plasma): a stroke would keep its colour and vanish on a dark panel.
        QVERIFY(!text.contains("stroke"));
        QVERIFY(text.contains("ColorScheme-Text"));

        // Not installed: no name, which hosts would look up in vain.
        QTemporaryDir themes;
        QIcon::setThemeSearchPaths({ themes.path() });
        QIcon::setThemeName(u"hicolor"_s);
        QCOMPARE(vantry::TrayIconArt::icon(Tone::dark).name(), QString());

        QIcon::setThemeSearchPaths({});
    }

    void followsTheColoursTheTrayNames()
    {
        if (QGuiApplication::platformName() != u"xcb"_s)
            QSKIP("needs an X display with a tray");
        X11Tray tray;
        QVERIFY(tray.setForeground(QColor(Qt::white)));
        MenuBarExtraAccess::StatusItem item;
        // Whatever the palette says, the tray's own colour decides.
        QGuiApplication::setPalette(paletteWithText(Qt::white, Qt::black));
        TrayIcon icon(&item);
        QCOMPARE(icon.tone(), Tone::light);

        // The tray switches to a light theme, then stops naming colours: the palette decides.
        QVERIFY(tray.setForeground(QColor(0x20, 0x20, 0x20)));
        QTRY_COMPARE(icon.tone(), Tone::dark);
        QVERIFY(tray.setForeground(QColor(0xee, 0xee, 0xee)));
        QTRY_COMPARE(icon.tone(), Tone::light);
        QVERIFY(tray.setForeground(std::nullopt));
        QTRY_COMPARE(icon.tone(), Tone::dark);
        QGuiApplication::setPalette(paletteWithText(Qt::black, Qt::white));
        QTRY_COMPARE(icon.tone(), Tone::light);
        // Taken in by the tray, whose own background is light (trayer's GTK grey).
        icon.show();
        QTRY_COMPARE(icon.tone(), Tone::dark);
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
