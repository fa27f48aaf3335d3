// SPDX-License-Identifier: GPL-3.0-or-later
// Stored shortcuts: the three states of a key, defaults, clearing and resets.
#include "FakeHotKeyBackend.h"

#include "KeyboardShortcuts/KeyboardShortcuts.h"

#include "platform/UserDefaults.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace KeyboardShortcuts;
using namespace KeyboardShortcuts::Testing;
using namespace Qt::StringLiterals;

namespace {

const Shortcut kControlCommandS(Key::s, CommandModifier | ControlModifier);
const Shortcut kOptionF(Key::f, OptionModifier);
const QByteArray kDefaultJson = R"({"carbonKeyCode":1,"carbonModifiers":4352})";

} // namespace

class TestShortcutStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void defaultIsStoredAndInstalledWhenNothingIsStored();
    void storedDefaultReadsBackFromTheFile();
    void anyStoredValueKeepsTheDefaultAway_data();
    void anyStoredValueKeepsTheDefaultAway();
    void resetBringsBackTheDefaultAfterTheMarker();
    void clearing_data();
    void clearing();
    void clearingWhatIsNotStoredDoesNothing();
    void settingTheSameShortcutReinstallsAndNotifies();
    void readsAreNeverCached();
    void resetAllClearsShortcutsButNotMarkers();
    void resetGoesThroughNamesInOrder();
    void nothingHappensWithoutACenter();

private:
    QString storePath() const { return m_dir->filePath(u"vantry.conf"_s); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<vantry::UserDefaults> m_store;
    std::unique_ptr<FakeHotKeyBackend> m_backend;
    std::unique_ptr<ShortcutCenter> m_center;
};

void TestShortcutStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<vantry::UserDefaults>(storePath());
    m_backend = std::make_unique<FakeHotKeyBackend>();
    m_center = std::make_unique<ShortcutCenter>(m_store.get(), m_backend.get(), nullptr);
}

void TestShortcutStore::cleanup()
{
    m_center.reset();
    m_backend.reset();
    m_store.reset();
    m_dir.reset();
}

void TestShortcutStore::defaultIsStoredAndInstalledWhenNothingIsStored()
{
    QSignalSpy changed(m_center.get(), &ShortcutCenter::shortcutByNameDidChange);
    const Name name(u"openShelfWindow"_s, kControlCommandS);

    QCOMPARE(name.defaultsKey(), u"KeyboardShortcuts_openShelfWindow"_s);
    QCOMPARE(m_store->string(name.defaultsKey()).toUtf8(), kDefaultJson);
    QCOMPARE(getShortcut(name), std::optional(kControlCommandS));
    QCOMPARE(name.shortcut()->carbonKeyCode(), qint64(1));
    QCOMPARE(name.shortcut()->carbonModifiers(), qint64(4352));
    // Installed the moment it is stored, with no action attached.
    QCOMPARE(m_backend->registered().size(), 1);
    QCOMPARE(m_backend->idOf(Shortcut(1, 4352)), std::optional<quint32>(1));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.front().front().value<Name>().rawValue(), u"openShelfWindow"_s);

    // A second creation finds the value and writes nothing.
    const Name again(u"openShelfWindow"_s, kOptionF);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(getShortcut(again), std::optional(kControlCommandS));
}

void TestShortcutStore::storedDefaultReadsBackFromTheFile()
{
    const Name name(u"openShelfWindow"_s, kControlCommandS);
    const Name other(u"other"_s);
    setShortcut(kOptionF, other);
    setShortcut(std::nullopt, Name(u"cleared"_s, kOptionF)); // default then the marker

    // What the next start of the app reads.
    vantry::UserDefaults reopened(storePath());
    ShortcutCenter center(&reopened, nullptr, nullptr);
    QCOMPARE(getShortcut(name), std::optional(Shortcut(1, 4352)));
    QCOMPARE(reopened.string(name.defaultsKey()).toUtf8(), kDefaultJson);
    QCOMPARE(getShortcut(other), std::optional(kOptionF));
    QCOMPARE(reopened.string(u"KeyboardShortcuts_cleared"_s), u"false"_s);
    QCOMPARE(getShortcut(Name(u"cleared"_s, kOptionF)), std::nullopt);
}

void TestShortcutStore::anyStoredValueKeepsTheDefaultAway_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("readsAsShortcut");
    QTest::newRow("disabled marker") << QVariant(false) << false;
    QTest::newRow("another shortcut") << QVariant(QString::fromUtf8(kOptionF.toJson())) << true;
    QTest::newRow("unreadable text") << QVariant(u"{\"carbonKeyCode\":1}"_s) << false;
    QTest::newRow("bytes") << QVariant(kDefaultJson) << false;
    QTest::newRow("number") << QVariant(7) << false;
}

void TestShortcutStore::anyStoredValueKeepsTheDefaultAway()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, readsAsShortcut);
    m_store->setValue(u"KeyboardShortcuts_openShelfWindow"_s, stored);
    QSignalSpy changed(m_center.get(), &ShortcutCenter::shortcutByNameDidChange);

    const Name name(u"openShelfWindow"_s, kControlCommandS);

    QCOMPARE(changed.size(), 0);
    QCOMPARE(m_store->value(name.defaultsKey()).toString(),
        stored.typeId() == QMetaType::Bool ? u"false"_s : stored.toString());
    QCOMPARE(getShortcut(name).has_value(), readsAsShortcut);
    if (readsAsShortcut)
        QCOMPARE(getShortcut(name), std::optional(kOptionF));
    QCOMPARE(m_backend->registered().size(), 0);
}

void TestShortcutStore::resetBringsBackTheDefaultAfterTheMarker()
{
    m_store->setValue(u"KeyboardShortcuts_openShelfWindow"_s, false);
    const Name name(u"openShelfWindow"_s, kControlCommandS);
    QCOMPARE(getShortcut(name), std::nullopt);

    QSignalSpy changed(m_center.get(), &ShortcutCenter::shortcutByNameDidChange);
    reset(name);
    QCOMPARE(m_store->string(name.defaultsKey()).toUtf8(), kDefaultJson);
    QCOMPARE(m_backend->idOf(Shortcut(1, 4352)).has_value(), true);
    QCOMPARE(changed.size(), 1);
}

void TestShortcutStore::clearing_data()
{
    QTest::addColumn<bool>("hasDefault");
    QTest::addColumn<bool>("keyRemains");
    QTest::newRow("without default: key removed") << false << false;
    QTest::newRow("with default: false marker") << true << true;
}

void TestShortcutStore::clearing()
{
    QFETCH(bool, hasDefault);
    QFETCH(bool, keyRemains);
    const Name name = hasDefault ? Name(u"n"_s, kControlCommandS) : Name(u"n"_s);
    setShortcut(kOptionF, name);
    QVERIFY(m_backend->idOf(Shortcut(Key::f.rawValue(), 2048)));
    QSignalSpy changed(m_center.get(), &ShortcutCenter::shortcutByNameDidChange);

    setShortcut(std::nullopt, name);

    QCOMPARE(m_store->contains(name.defaultsKey()), keyRemains);
    if (keyRemains)
        QCOMPARE(m_store->string(name.defaultsKey()), u"false"_s);
    QCOMPARE(getShortcut(name), std::nullopt);
    QCOMPARE(m_backend->registered().size(), 0);
    QCOMPARE(changed.size(), 1);

    // A name with a default created again (the next start) keeps it cleared.
    if (hasDefault) {
        const Name next(u"n"_s, kControlCommandS);
        QCOMPARE(getShortcut(next), std::nullopt);
    }
}

void TestShortcutStore::clearingWhatIsNotStoredDoesNothing()
{
    m_store->setValue(u"KeyboardShortcuts_broken"_s, u"not json"_s);
    QSignalSpy changed(m_center.get(), &ShortcutCenter::shortcutByNameDidChange);
    QSignalSpy written(m_store.get(), &vantry::UserDefaults::valueChanged);

    setShortcut(std::nullopt, Name(u"absent"_s));
    setShortcut(std::nullopt, Name(u"broken"_s, kOptionF));

    QCOMPARE(changed.size(), 0);
    QCOMPARE(written.size(), 0);
    QCOMPARE(m_store->string(u"KeyboardShortcuts_broken"_s), u"not json"_s);
}

void TestShortcutStore::settingTheSameShortcutReinstallsAndNotifies()
{
    const Name name(u"n"_s);
    setShortcut(kOptionF, name);
    m_backend->clearCalls();
    QSignalSpy changed(m_center.get(), &ShortcutCenter::shortcutByNameDidChange);

    setShortcut(kOptionF, name);

    using Call = FakeHotKeyBackend::Call;
    const QList<FakeHotKeyBackend::Record> expected
        = { { Call::Unregister, 1 }, { Call::Register, 2 } };
    QCOMPARE(m_backend->calls(), expected);
    QCOMPARE(changed.size(), 1);
}

void TestShortcutStore::readsAreNeverCached()
{
    const Name name(u"n"_s);
    setShortcut(kOptionF, name);
    m_store->setValue(name.defaultsKey(), QString::fromUtf8(kDefaultJson));
    QCOMPARE(getShortcut(name), std::optional(kControlCommandS));
    m_store->remove(name.defaultsKey());
    QCOMPARE(getShortcut(name), std::nullopt);
}

void TestShortcutStore::resetAllClearsShortcutsButNotMarkers()
{
    const Name a(u"a"_s);
    const Name b(u"b"_s, kOptionF);
    setShortcut(kControlCommandS, a);
    setShortcut(std::nullopt, b); // b: false marker
    m_store->setValue(u"KeyboardShortcuts_c"_s, u"garbage"_s);
    m_store->setValue(u"user_selected_dir"_s, QByteArray("/home/x"));
    QSignalSpy changed(m_center.get(), &ShortcutCenter::shortcutByNameDidChange);

    resetAll();

    QVERIFY(!m_store->contains(a.defaultsKey()));
    QCOMPARE(m_store->string(b.defaultsKey()), u"false"_s);
    QCOMPARE(m_store->string(u"KeyboardShortcuts_c"_s), u"garbage"_s);
    QVERIFY(m_store->contains(u"user_selected_dir"_s));
    QCOMPARE(m_backend->registered().size(), 0);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.front().front().value<Name>(), a);

    // The name with a default gets it again when created next time, unless marked.
    const Name aWithDefault(u"a"_s, kOptionF);
    QCOMPARE(getShortcut(aWithDefault), std::optional(kOptionF));
}

void TestShortcutStore::resetGoesThroughNamesInOrder()
{
    const Name withDefault(u"d"_s, kControlCommandS);
    const Name without(u"w"_s);
    setShortcut(kOptionF, withDefault);
    setShortcut(Shortcut(Key::g, CommandModifier), without);
    QSignalSpy changed(m_center.get(), &ShortcutCenter::shortcutByNameDidChange);

    reset({ without, withDefault });

    QCOMPARE(getShortcut(withDefault), std::optional(kControlCommandS));
    QVERIFY(!m_store->contains(without.defaultsKey()));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.at(0).front().value<Name>(), without);
    QCOMPARE(changed.at(1).front().value<Name>(), withDefault);
    QCOMPARE(m_backend->registered().size(), 1);
}

void TestShortcutStore::nothingHappensWithoutACenter()
{
    m_center.reset();
    const Name name(u"n"_s, kControlCommandS);
    setShortcut(kOptionF, name);
    QCOMPARE(getShortcut(name), std::nullopt);
    QVERIFY(m_store->keys().isEmpty());
    QCOMPARE(m_backend->calls().size(), 0);
}

QTEST_GUILESS_MAIN(TestShortcutStore)
#include "tst_shortcutstore.moc"
