// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShelfTestFolder.h"
#include "shelf/NaturalOrder.h"

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace vantry;

namespace {

QList<ShelfItem> itemsNamed(const QList<QByteArray> &names, const QList<QByteArray> &folders = {})
{
    QList<ShelfItem> items;
    for (const QByteArray &name : names)
        items.append(ShelfItem("/shelf/" + name, folders.contains(name)));
    return items;
}

// The locales every order rule must hold in: without ICU's help and with it.
const QList<QLocale> orderLocales { QLocale::c(), QLocale(u"en_US"_s), QLocale(u"de_DE"_s) };

} // namespace

class TestNaturalOrder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ordersNamesLikeAFileManager_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QList<QByteArray>>("listed");
        QTest::addColumn<QList<QByteArray>>("expected");

        const QList<std::tuple<const char *, QList<QByteArray>>> cases {
            { "digit runs by value", { "file1", "file2", "file10", "file20", "file100" } },
            { "letters without case", { "a.txt", "B.txt", "c.txt", "D.txt" } },
            { "case only breaks ties", { "aa", "Ab", "b" } },
            { "lowercase first in a tie", { "a.txt", "A.txt", "b.txt", "B.txt" } },
            { "numbers before case", { "a2", "A10" } },
            { "leading zeros tie on value", { "file1", "file02", "file2", "file3" } },
            { "zero values", { "x", "x0", "x00", "x1" } },
            { "huge numbers", { "v9", "v18446744073709551616", "v99999999999999999999999" } },
            { "shorter name first", { "file", "file.txt", "file1", "file1.txt", "filea" } },
            { "punctuation then digits then letters", { " x", "_x", "-x", "(x)", "1x", "ax" } },
            { "accented letters without case",
                { "\xc3\xa9"
                  "a",
                    "\xc3\x89"
                    "b" } },
            { "several digit runs", { "1.2.9", "1.2.10", "1.10.1", "2.0" } },
        };
        // Names copied from other systems may be decomposed (NFD): with ICU they sort like
        // composed ones.
        const QList<QByteArray> decomposed { "\xc3\xa9\x61", "e\xcc\x81\x62", "ec" };
        for (const QLocale &locale : orderLocales) {
            auto localeCases = cases;
            if (NaturalOrder(locale).usesLocaleCollation())
                localeCases.append({ "decomposed accents like composed ones", decomposed });
            for (const auto &[name, expected] : localeCases) {
                QList<QByteArray> listed = expected;
                std::reverse(listed.begin(), listed.end());
                QTest::addRow("%s: %s", qPrintable(locale.name()), name)
                    << locale << listed << expected;
            }
        }
    }
    void ordersNamesLikeAFileManager()
    {
        QFETCH(QLocale, locale);
        QFETCH(QList<QByteArray>, listed);
        QFETCH(QList<QByteArray>, expected);
        const NaturalOrder order(locale);
        QCOMPARE(namesOf(order.sorted(itemsNamed(listed))), expected);
    }

    // Folders sort among files, equal names keep their listing order, and names that
    // are not UTF-8 still have one place each.
    void everyItemHasOnePlace_data()
    {
        QTest::addColumn<QLocale>("locale");
        for (const QLocale &locale : orderLocales)
            QTest::newRow(qPrintable(locale.name())) << locale;
    }
    void everyItemHasOnePlace()
    {
        QFETCH(QLocale, locale);
        const NaturalOrder order(locale);
        const QList<ShelfItem> items
            = itemsNamed({ "zulu.txt", "Zeta", "alpha.pdf", "Beta" }, { "Zeta", "Beta" });
        QCOMPARE(namesOf(order.sorted(items)),
            (QList<QByteArray> { "alpha.pdf", "Beta", "Zeta", "zulu.txt" }));

        const QList<ShelfItem> same { ShelfItem("/b/same", false), ShelfItem("/z/a", false),
            ShelfItem("/a/same", false), ShelfItem("/c/same", true) };
        QCOMPARE(order.sorted(same), (QList<ShelfItem> { same[1], same[0], same[2], same[3] }));

        const QList<ShelfItem> twins = itemsNamed({ "caf\xe9", "caf\xe8" });
        QCOMPARE(order.sorted(twins), order.sorted({ twins[1], twins[0] }));
    }

    void defaultOrderFollowsTheEnvironment()
    {
        if (qgetenv("LC_ALL").startsWith("en_US"))
            QVERIFY(NaturalOrder().usesLocaleCollation());
        const QList<ShelfItem> sorted
            = displayOrder(itemsNamed({ "file10", "B.txt", "file2", "a.txt", "Zeta" }, { "Zeta" }));
        QCOMPARE(
            namesOf(sorted), (QList<QByteArray> { "a.txt", "B.txt", "file2", "file10", "Zeta" }));
    }
};

QTEST_GUILESS_MAIN(TestNaturalOrder)
#include "tst_naturalorder.moc"
