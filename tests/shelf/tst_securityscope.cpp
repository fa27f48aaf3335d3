// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShelfTestFolder.h"
#include "shelf/SecurityScope.h"

#include <QTest>

using namespace vantry;

class TestSecurityScope : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One folder at a time (a link to a folder will do); stop releases it, and a
    // second stop does nothing.
    void startHoldsOneFolderAtATime()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFolder("real"));
        QVERIFY(folder.addLink("link", "real"));
        SecurityScope scope;
        QVERIFY(!scope.scopedPath());
        QVERIFY(scope.start(folder.path()));
        QCOMPARE(scope.scopedPath(), folder.path());
        QVERIFY(scope.start(folder.pathOf("link")));
        QCOMPARE(scope.scopedPath(), folder.pathOf("link"));
        scope.stop();
        QVERIFY(!scope.scopedPath());
        scope.stop();
        QVERIFY(!scope.scopedPath());
    }

    void failedStartReleasesTheEarlierGrant_data()
    {
        QTest::addColumn<QByteArray>("relative");
        QTest::newRow("missing") << QByteArray("missing");
        QTest::newRow("a file") << QByteArray("file");
        QTest::newRow("dangling link") << QByteArray("dangling");
        QTest::newRow("empty path") << QByteArray();
    }
    void failedStartReleasesTheEarlierGrant()
    {
        QFETCH(QByteArray, relative);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("file"));
        QVERIFY(folder.addLink("dangling", "nowhere"));
        SecurityScope scope;
        QVERIFY(scope.start(folder.path()));
        QVERIFY(!scope.start(relative.isEmpty() ? relative : folder.pathOf(relative)));
        QVERIFY(!scope.scopedPath());
    }

    void sharedIsOneInstance() { QCOMPARE(&SecurityScope::shared(), &SecurityScope::shared()); }

    void bookmarksAreAbsolutePathBytes_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("valid");
        QTest::newRow("absolute") << QByteArray("/home/u/Shelf") << true;
        QTest::newRow("not utf-8") << QByteArray("/home/u/caf\xe9") << true;
        QTest::newRow("relative") << QByteArray("Shelf") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("nul") << QByteArray("/a\0b", 4) << false;
    }
    void bookmarksAreAbsolutePathBytes()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, valid);
        const std::optional<QByteArray> bookmark = makeBookmark(path);
        QCOMPARE(bookmark.has_value(), valid);
        QCOMPARE(resolveBookmark(path).has_value(), valid);
        if (valid)
            QCOMPARE(resolveBookmark(*bookmark), path);
    }
};

QTEST_GUILESS_MAIN(TestSecurityScope)
#include "tst_securityscope.moc"
