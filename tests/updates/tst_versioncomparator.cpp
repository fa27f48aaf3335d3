// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/VersionComparator.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestVersionComparator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ordersVersionsAsFeedsMeanThem_data();
    void ordersVersionsAsFeedsMeanThem();
    void equalVersions_data();
    void equalVersions();
};

void TestVersionComparator::ordersVersionsAsFeedsMeanThem_data()
{
    QTest::addColumn<QString>("older");
    QTest::addColumn<QString>("newer");

    QTest::newRow("numeric, not textual") << u"1.9"_s << u"1.10"_s;
    QTest::newRow("patch level") << u"1.2"_s << u"1.2.1"_s;
    QTest::newRow("major wins") << u"1.99.99"_s << u"2"_s;
    QTest::newRow("pre-release before release") << u"1.2-beta1"_s << u"1.2"_s;
    QTest::newRow("attached pre-release") << u"1.2b1"_s << u"1.2"_s;
    QTest::newRow("pre-release numbers") << u"1.2-beta2"_s << u"1.2-beta10"_s;
    QTest::newRow("alpha, beta, rc") << u"2.0-alpha3"_s << u"2.0-beta1"_s;
    QTest::newRow("beta before rc") << u"2.0-beta9"_s << u"2.0-rc1"_s;
    QTest::newRow("release before next patch's pre-release") << u"1.2"_s << u"1.2.1-beta"_s;
    QTest::newRow("pre-release after previous patch") << u"1.1.9"_s << u"1.2-rc1"_s;
    QTest::newRow("pre-release with trailing zero") << u"1.2.0-beta"_s << u"1.2"_s;
    QTest::newRow("huge numbers do not overflow")
        << u"1.99999999999999999999999"_s << u"1.100000000000000000000000"_s;
    QTest::newRow("leading zeros") << u"1.09"_s << u"1.10"_s;
    QTest::newRow("build number") << u"41"_s << u"42"_s;
    QTest::newRow("leading v ignored") << u"v1.9"_s << u"1.10"_s;
    QTest::newRow("empty is oldest") << QString() << u"0.0.1"_s;
    QTest::newRow("words only are older than numbers") << u"abc"_s << u"0.1"_s;
}

void TestVersionComparator::ordersVersionsAsFeedsMeanThem()
{
    QFETCH(QString, older);
    QFETCH(QString, newer);
    QVERIFY(vantry::compareVersions(older, newer) < 0);
    QVERIFY(vantry::compareVersions(newer, older) > 0);
    QVERIFY(vantry::compareVersions(older, older) == 0);
    QVERIFY(vantry::compareVersions(newer, newer) == 0);
}

void TestVersionComparator::equalVersions_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::newRow("trailing zero") << u"1.2"_s << u"1.2.0"_s;
    QTest::newRow("several trailing zeros") << u"1"_s << u"1.0.0"_s;
    QTest::newRow("separators") << u"1-2_3"_s << u"1.2.3"_s;
    QTest::newRow("case of pre-release") << u"1.0BETA"_s << u"1.0beta"_s;
    QTest::newRow("build metadata") << u"1.2+build.7"_s << u"1.2"_s;
    QTest::newRow("surrounding space") << u" 1.2 "_s << u"1.2"_s;
}

void TestVersionComparator::equalVersions()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QVERIFY(vantry::compareVersions(a, b) == 0);
    QVERIFY(vantry::compareVersions(b, a) == 0);
}

QTEST_GUILESS_MAIN(TestVersionComparator)
#include "tst_versioncomparator.moc"
