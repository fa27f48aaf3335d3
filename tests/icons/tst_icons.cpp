// SPDX-License-Identifier: GPL-3.0-or-later
#include "icons/FileIcons.h"
#include "icons/SymbolIcons.h"

#include <QApplication>
#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;
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
        const QIcon light = vantry::symbolIcon(symbol, paletteWithText(Qt::black, Qt::white));
        const QIcon dark = vantry::symbolIcon(symbol, paletteWithText(Qt::white, Qt::black));
        const QColor lightInk = inkOf(light);
        const QColor darkInk = inkOf(dark);
        QCOMPARE(lightInk.alpha(), 255);
        QCOMPARE(darkInk.alpha(), 255);
        QCOMPARE(lightInk.rgb(), QColor(Qt::black).rgb());
        QCOMPARE(darkInk.rgb(), QColor(Qt::white).rgb());
    }

    void mimeTypeComesFromTheNameAlone_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("isDirectory");
        QTest::addColumn<QString>("type");
        QTest::newRow("text") << QByteArray("/nowhere/notes.txt") << false << u"text/plain"_s;
        QTest::newRow("folder") << QByteArray("/nowhere/photos.png") << true
                                << u"inode/directory"_s;
        QTest::newRow("non-UTF-8 name")
            << QByteArray("/nowhere/caf\xe9.txt") << false << u"text/plain"_s;
        QTest::newRow("unknown") << QByteArray("/nowhere/blob") << false
                                 << u"application/octet-stream"_s;
    }
    void mimeTypeComesFromTheNameAlone()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, isDirectory);
        QFETCH(QString, type);
        // None of these paths exist: a name match must not need the file.
        QCOMPARE(vantry::mimeTypeFromName(path, isDirectory).name(), type);
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
