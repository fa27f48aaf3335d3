// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShelfTestFolder.h"
#include "shelf/FolderListing.h"

#include <QSet>
#include <QTest>

#include <algorithm>

using namespace vantry;

namespace {

// name -> isDirectory, independent of the system's listing order.
QMap<QByteArray, bool> byName(const QList<ShelfItem> &items)
{
    QMap<QByteArray, bool> map;
    for (const ShelfItem &item : items)
        map.insert(item.fileName(), item.isDirectory());
    return map;
}

} // namespace

class TestFolderListing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Direct entries only, with their full paths from the name bytes (a trailing slash
    // on the folder adds none); a link is a folder when its target is one.
    void listsDirectEntriesOnTheirBytes()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("caf\xe9.txt"));
        QVERIFY(folder.addFolder("\xff\xfe dir"));
        QVERIFY(folder.addFolder("App.app"));
        QVERIFY(folder.addFile("App.app/inside"));
        QVERIFY(folder.addLink("to folder", "App.app"));
        QVERIFY(folder.addLink("to file", "caf\xe9.txt"));
        QVERIFY(folder.addLink("dangling", "does-not-exist"));
        QVERIFY(folder.addLink("loop", "loop"));
        // A ".hidden" that is not a plain file is ignored; a FIFO must not stall the listing.
        QCOMPARE(::mkfifo(folder.pathOf(".hidden").constData(), 0600), 0);

        const QList<ShelfItem> items = loadItems(folder.path() + '/');
        const QMap<QByteArray, bool> expected { { "caf\xe9.txt", false }, { "\xff\xfe dir", true },
            { "App.app", true }, { "to folder", true }, { "to file", false }, { "dangling", false },
            { "loop", false } };
        QCOMPARE(byName(items), expected);
        for (const ShelfItem &item : items)
            QCOMPARE(item.path(), folder.pathOf(item.fileName()));
    }

    // Dot files and the names in ".hidden" (the file managers' convention: one name per
    // line, exactly as written, blank lines skipped) are left out.
    void hiddenEntriesAreLeftOut()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFile(".dotfile"));
        QVERIFY(folder.addFolder(".git"));
        QVERIFY(folder.addFile("listed.txt"));
        QVERIFY(folder.addFolder("listed folder"));
        QVERIFY(folder.addFile(" spaced "));
        QVERIFY(folder.addFile("spaced"));
        QVERIFY(folder.addFile("shown.txt"));
        QVERIFY(folder.addFile(".hidden", "listed.txt\n\nlisted folder\nshown\nmissing\n spaced "));

        const QMap<QByteArray, bool> expected { { "shown.txt", false }, { "spaced", false } };
        QCOMPARE(byName(loadItems(folder.path())), expected);
    }

    void manyEntriesAreAllListed()
    {
        ShelfTestFolder folder;
        for (int i = 0; i < 3000; ++i)
            QVERIFY(folder.addFile("entry" + QByteArray::number(i)));
        const QList<ShelfItem> items = loadItems(folder.path());
        QCOMPARE(items.size(), 3000);
        QCOMPARE(QSet<ShelfItem>(items.cbegin(), items.cend()).size(), 3000);
    }
};

QTEST_GUILESS_MAIN(TestFolderListing)
#include "tst_folderlisting.moc"
