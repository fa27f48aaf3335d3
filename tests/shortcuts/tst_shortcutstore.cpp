// SPDX-License-Identifier: GPL-3.0-or-later
// Stored shortcuts: the three states of a key, defaults, clearing and reset.
#include "ShortcutFixture.h"

#include <QTest>

#include <optional>

using namespace KeyboardShortcuts;
using namespace KeyboardShortcuts::Testing;
using namespace Qt::StringLiterals;

class TestShortcutStore : public QObject
{
    Q_OBJECT

    std::optional<ShortcutFixture> f;

private Q_SLOTS:
    void init() { f.emplace(); }
    void cleanup() { f.reset(); }

    void defaultIsStoredOnceAndReadAtTheNextStart()
    {
        const Name name(u"openShelfWindow"_s, controlCommandS);
        QCOMPARE(f->store.string(u"KeyboardShortcuts_openShelfWindow"_s),
            uR"({"carbonKeyCode":1,"carbonModifiers":4352})"_s);
        // Installed the moment it is stored, with no action attached.
        QVERIFY(f->backend.idOf(controlCommandS));
        // Made again with another default: the stored value stays.
        QCOMPARE(Name(u"openShelfWindow"_s, optionF).shortcut(), controlCommandS);

        const Name other(u"other"_s);
        setShortcut(optionF, other);
        setShortcut(std::nullopt, Name(u"cleared"_s, optionF)); // the default, then the marker
        vantry::UserDefaults reopened(f->dir.filePath(u"vantry.conf"_s));
        ShortcutCenter next(&reopened, nullptr, nullptr);
        QCOMPARE(getShortcut(name), controlCommandS);
        QCOMPARE(getShortcut(other), optionF);
        QCOMPARE(Name(u"cleared"_s, optionF).shortcut(), std::nullopt);
        // Read afresh each time, never cached.
        reopened.setValue(other.defaultsKey(), QString::fromUtf8(controlCommandS.toJson()));
        QCOMPARE(getShortcut(other), controlCommandS);
    }

    void anyStoredValueKeepsTheDefaultAway_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<std::optional<Shortcut>>("read");
        QTest::newRow("disabled marker") << QVariant(false) << std::optional<Shortcut>();
        QTest::newRow("another shortcut")
            << QVariant(QString::fromUtf8(optionF.toJson())) << std::optional(optionF);
        QTest::newRow("unreadable text")
            << QVariant(u"{\"carbonKeyCode\":1}"_s) << std::optional<Shortcut>();
        QTest::newRow("number") << QVariant(7) << std::optional<Shortcut>();
        QTest::newRow("bytes") << QVariant(optionF.toJson()) << std::optional<Shortcut>();
    }

    void anyStoredValueKeepsTheDefaultAway()
    {
        QFETCH(QVariant, stored);
        QFETCH(std::optional<Shortcut>, read);
        f->store.setValue(u"KeyboardShortcuts_openShelfWindow"_s, stored);
        const Name name(u"openShelfWindow"_s, controlCommandS);
        QCOMPARE(getShortcut(name), read);
        QVERIFY(f->backend.registered.isEmpty());
    }

    void clearing_data()
    {
        QTest::addColumn<bool>("hasDefault");
        QTest::newRow("without default: key removed") << false;
        QTest::newRow("with default: false marker") << true;
    }

    void clearing()
    {
        QFETCH(bool, hasDefault);
        const Name name = hasDefault ? Name(u"n"_s, controlCommandS) : Name(u"n"_s);
        setShortcut(optionF, name);
        setShortcut(std::nullopt, name);
        QCOMPARE(getShortcut(name), std::nullopt);
        // A default is kept away by the marker, also at the next start.
        QCOMPARE(f->store.contains(name.defaultsKey()), hasDefault);
        QVERIFY(f->backend.registered.isEmpty());

        // Reset brings the default back, past the marker.
        reset(name);
        QCOMPARE(getShortcut(name), name.defaultShortcut());
        QCOMPARE(f->backend.idOf(controlCommandS).has_value(), hasDefault);
    }
};

QTEST_GUILESS_MAIN(TestShortcutStore)
#include "tst_shortcutstore.moc"
