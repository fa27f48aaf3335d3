// SPDX-License-Identifier: GPL-3.0-or-later
#include "MenuBarExtraAccess/StatusItem.h"
#include "app/TrayIcon.h"
#include "app/TrayIconArt.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
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

// The owner of the X11 tray selection (trayer's manager window), changed from outside as a
// tray does when its theme changes.
class TraySelectionOwner
{
public:
    TraySelectionOwner()
        : m_c(xcb_connect(nullptr, nullptr))
    { }
    ~TraySelectionOwner() { xcb_disconnect(m_c); }

    bool setForeground(const std::optional<QColor> &color)
    {
        if (xcb_connection_has_error(m_c))
            return false;
        const xcb_atom_t selection = atom("_NET_SYSTEM_TRAY_S0");
        auto *reply
            = xcb_get_selection_owner_reply(m_c, xcb_get_selection_owner(m_c, selection), nullptr);
        const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        std::free(reply);
        if (owner == XCB_WINDOW_NONE)
            return false;
        const xcb_atom_t colors = atom("_NET_SYSTEM_TRAY_COLORS");
        if (!color) {
            xcb_delete_property(m_c, owner, colors);
        } else {
            // normal, error, warning, success: 16 bits per channel.
            const QRgba64 c = color->rgba64();
            uint32_t values[12]
                = { c.red(), c.green(), c.blue(), 0xffff, 0, 0, 0xffff, 0xffff, 0, 0, 0xffff, 0 };
            xcb_change_property(
                m_c, XCB_PROP_MODE_REPLACE, owner, colors, XCB_ATOM_CARDINAL, 32, 12, values);
        }
        // A round trip: the server has made the change before anyone else looks.
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
        return true;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        auto *reply = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }

    xcb_connection_t *m_c;
};

} // namespace

class TestTrayIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contrastsWithLightAndDarkPanels_data()
    {
        QTest::addColumn<QColor>("panel");
        QTest::addColumn<OptionalColor>("trayForeground");
        QTest::addColumn<QPalette>("palette");
        const QPalette light = paletteWithText(QColor(0xef, 0xf0, 0xf1), QColor(0x23, 0x26, 0x29));
        const QPalette dark = paletteWithText(QColor(0x31, 0x36, 0x3b), QColor(0xfc, 0xfc, 0xfc));

        // XEmbed trays that name their text colour: it wins over a palette that says otherwise.
        QTest::newRow("Xfce light panel")
            << QColor(0xf6, 0xf5, 0xf4) << OptionalColor(QColor(0x2e, 0x34, 0x36)) << dark;
        QTest::newRow("Cinnamon dark panel")
            << QColor(0x2f, 0x2f, 0x2f) << OptionalColor(QColor(0xda, 0xda, 0xda)) << light;
        QTest::newRow("grey text on a dark panel")
            << QColor(0x3c, 0x3c, 0x3c) << OptionalColor(QColor(0x9a, 0x9a, 0x9a)) << light;
        // No colours from the tray: the theme's palette decides.
        QTest::newRow("light theme's panel")
            << QColor(0xef, 0xf0, 0xf1) << OptionalColor() << light;
        QTest::newRow("dark theme's panel") << QColor(0x31, 0x36, 0x3b) << OptionalColor() << dark;
    }
    void contrastsWithLightAndDarkPanels()
    {
        QFETCH(QColor, panel);
        QFETCH(OptionalColor, trayForeground);
        QFETCH(QPalette, palette);
        const Tone tone = vantry::TrayIconArt::toneFor(trayForeground, palette);
        const QIcon icon = vantry::TrayIconArt::icon(tone);
        for (int size : { 16, 22, 24 }) {
            const QImage alone
                = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(alone.size(), QSize(size, size));
            const QImage shown = onPanel(icon, size, panel);
            // Every pixel the drawing mostly covers stands out at least 3:1 from the panel,
            // and the drawing covers enough of the square to be seen.
            int ink = 0;
            double weakest = 21;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
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
        QCOMPARE(name, u"app.vantry.Vantry-symbolic"_s);
        QFile svg(
            qEnvironmentVariable("VANTRY_SOURCE_DIR") + u"/resources/icons/"_s + name + u".svg"_s);
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        // Panels recolour symbolic icons by restyling their fills (GTK) or through the colour
        // scheme class (Plasma): a stroke would keep its colour and vanish on a dark panel.
        QVERIFY(!text.contains("stroke"));
        QVERIFY(text.contains("ColorScheme-Text"));

        // Not installed: no name, which hosts would look up in vain. (Installed, the end-to-end
        // test of the StatusNotifierItem reads it.)
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
        TraySelectionOwner tray;
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
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
