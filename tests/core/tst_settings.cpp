// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Settings.h"
#include "core/UserDefaults.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vantry::PreviewSide;

Q_DECLARE_METATYPE(vantry::PreviewSide)

class TestSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sideFromTheStore_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<PreviewSide>("expected");
        QTest::newRow("absent") << QVariant() << PreviewSide::right;
        QTest::newRow("left") << QVariant(u"left"_s) << PreviewSide::left;
        QTest::newRow("Left") << QVariant(u"Left"_s) << PreviewSide::right;
        QTest::newRow("number") << QVariant(1) << PreviewSide::right;
        QTest::newRow("bytes \"left\"") << QVariant(QByteArray("left")) << PreviewSide::right;
    }
    void sideFromTheStore()
    {
        QFETCH(QVariant, stored);
        QFETCH(PreviewSide, expected);
        QTemporaryDir dir;
        const QString file = dir.filePath(u"vantry.conf"_s);
        {
            vantry::UserDefaults defaults(file);
            if (stored.isValid())
                defaults.setValue(u"preview.side"_s, stored);
        }
        // Read back from a fresh store: what the file holds is what counts.
        vantry::UserDefaults defaults(file);
        QCOMPARE(vantry::Settings(defaults).previewSide(), expected);
        // What the shelf stores for a side reads back as that side.
        for (PreviewSide side : vantry::allPreviewSides) {
            vantry::Settings(defaults).setPreviewSide(side);
            vantry::UserDefaults reread(file);
            QCOMPARE(vantry::Settings(reread).previewSide(), side);
        }
    }

    void lastUpdateCheckIsStoredAsUtcWithMilliseconds()
    {
        QTemporaryDir dir;
        vantry::UserDefaults defaults(dir.filePath(u"vantry.conf"_s));
        vantry::Settings settings(defaults);
        QVERIFY(!settings.lastUpdateCheck().isValid());
        const QDateTime when(QDate(2026, 3, 2), QTime(11, 0, 0, 250), Qt::OffsetFromUTC, 3600);
        settings.setLastUpdateCheck(when);
        QCOMPARE(defaults.string(u"updates.lastCheckTime"_s), u"2026-03-02T10:00:00.250Z"_s);
        QCOMPARE(settings.lastUpdateCheck(), when);
        defaults.setValue(u"updates.lastCheckTime"_s, u"yesterday"_s);
        QVERIFY(!settings.lastUpdateCheck().isValid());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
