// SPDX-License-Identifier: GPL-3.0-or-later
#include "icons/SymbolIcons.h"

#include <QApplication>
#include <QImage>
#include <QTest>

using vantry::Symbol;

namespace {

QPalette paletteWithText(const QColor &text, const QColor &window)
{
    QPalette palette;
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::Base, window);
    return palette;
}

// The colour of the most opaque pixel: the tint of the drawing.
QColor inkOf(const QIcon &icon)
{
    const QImage image
        = icon.pixmap(QSize(32, 32), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
    QColor best(Qt::transparent);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > best.alpha())
                best = c;
        }
    return best;
}

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everySymbolDrawsInThePaletteTextColour_data()
    {
        QTest::addColumn<Symbol>("symbol");
        for (Symbol s : { Symbol::eye, Symbol::pencil, Symbol::folder, Symbol::gear, Symbol::xmark,
                 Symbol::warningTriangle, Symbol::page, Symbol::gearshape, Symbol::person })
            QTest::newRow(qPrintable(vantry::symbolName(s))) << s;
    }
    void everySymbolDrawsInThePaletteTextColour()
    {
        QFETCH(Symbol, symbol);
        // Fully opaque ink of the palette's text colour, on light and dark windows alike.
        QCOMPARE(inkOf(vantry::symbolIcon(symbol, paletteWithText(Qt::black, Qt::white))),
            QColor(Qt::black));
        QCOMPARE(inkOf(vantry::symbolIcon(symbol, paletteWithText(Qt::white, Qt::black))),
            QColor(Qt::white));
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
