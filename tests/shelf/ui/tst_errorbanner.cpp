// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/ui/ErrorBannerView.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantry;

class ErrorBannerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messagesAreCutAfterTwoLines_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("ellipsis");
        QTest::newRow("short") << u"Permission denied"_s << 1 << false;
        QTest::newRow("two") << u"The file could not be moved today"_s << 2 << false;
        QTest::newRow("long") << QString(u"word "_s).repeated(80) << 2 << true;
        QTest::newRow("one long word") << QString(400, u'x') << 2 << true;
        QTest::newRow("newlines") << u"one\ntwo\nthree\nfour"_s << 2 << true;
    }

    void messagesAreCutAfterTwoLines()
    {
        QFETCH(QString, message);
        QFETCH(int, lines);
        QFETCH(bool, ellipsis);
        QFont font;
        const int width = QFontMetrics(font).horizontalAdvance(u"The file could not be"_s) + 8;
        const QString shown = ErrorBannerView::twoLines(message, font, width);
        const QStringList shownLines = shown.split(u'\n');
        QCOMPARE(shownLines.size(), lines);
        QCOMPARE(shown.endsWith(u'\u2026'), ellipsis);
        for (const QString &line : shownLines)
            QVERIFY(QFontMetrics(font).horizontalAdvance(line) <= width);
    }
};

QTEST_MAIN(ErrorBannerTest)
#include "tst_errorbanner.moc"
