// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardShortcuts/backends/DesktopSystemShortcuts.h"
#include "KeyboardShortcuts/backends/ShortcutPlatform.h"
#include "KeyboardShortcuts/backends/XkbKeyboardLayout.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <linux/input-event-codes.h>

using namespace Qt::StringLiterals;
using namespace KeyboardShortcuts;

using Combination = KeyCombination;
Q_DECLARE_METATYPE(std::optional<Combination>)

namespace {

constexpr Qt::KeyboardModifiers kNone, kSuper = Qt::MetaModifier, kShift = Qt::ShiftModifier,
                                       kAlt = Qt::AltModifier, kControl = Qt::ControlModifier;

XkbKeyboardLayout::Names layoutNamed(const QByteArray &layout)
{
    XkbKeyboardLayout::Names names;
    names.layout = layout;
    return names;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A gsettings stand-in that knows a few GNOME bindings, one custom binding and
// nothing else, like a machine with GNOME's schemas installed.
const QByteArray kFakeGsettings = R"(#!/bin/sh
media=org.gnome.settings-daemon.plugins.media-keys
custom=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/
case "$1 $2 $3" in
"list-recursively org.gnome.desktop.wm.keybindings ")
  echo "org.gnome.desktop.wm.keybindings close ['<Alt>F4']"
  echo "org.gnome.desktop.wm.keybindings minimize @as []"
  echo "org.gnome.desktop.wm.keybindings switch-to-workspace-1 ['<Super>Home', '<Super>1']" ;;
"list-recursively $media ")
  echo "$media screensaver ['<Super>l']"
  echo "$media custom-keybindings ['$custom']"
  echo "$media help ''" ;;
"list-recursively org.gnome.shell.keybindings ")
  echo "org.gnome.shell.keybindings toggle-overview ['<Super>s']" ;;
"get $media custom-keybindings") echo "['$custom']" ;;
"get $media.custom-keybinding:$custom name") echo "'Terminal'" ;;
"get $media.custom-keybinding:$custom binding") echo "'<Primary><Alt>t'" ;;
*) echo "No such schema “$2”" >&2; exit 1 ;;
esac
)";

const QByteArray kKdeConfig = R"([kwin]
_k_friendly_name=KWin
Window Close=Alt+F4,Alt+F4,Close Window
Expose=Ctrl+F9\tMeta+W,Ctrl+F9,Toggle Present Windows (Current desktop)
Window Maximize=none,Meta+PgUp,Maximize Window
Walk Through Windows=Alt+Tab,Alt+Tab,Walk\, Through Windows
Chord=Ctrl+K\, Ctrl+B,none,A two-step chord

[services][org.kde.konsole.desktop]
_launch=Ctrl+Alt+T
)";

} // namespace

class TestDesktopSystemShortcuts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gtkAccelerators_data();
    void gtkAccelerators();
    void qtKeySequences_data();
    void qtKeySequences();
    void kdeConfiguration();
    void gnomeSettings_data();
    void gnomeSettings();
    void conflictsAskTheProbeLast();
    void backendsReportTheDesktopsShortcuts();
    void systemKeyboardFile();
    void platformWithoutDisplayRefusesRegistrations_data();
    void platformWithoutDisplayRefusesRegistrations();

private:
    XkbKeyboardLayout m_us { layoutNamed("us") };
};

void TestDesktopSystemShortcuts::gtkAccelerators_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QString>("accelerator");
    QTest::addColumn<std::optional<Combination>>("expected");
    const auto is = [](int key, Qt::KeyboardModifiers modifiers) {
        return std::optional(Combination { key, modifiers });
    };
    QTest::newRow("super control s")
        << "us"_ba << u"<Super><Control>s"_s << is(KEY_S, kSuper | kControl);
    QTest::newRow("primary is control") << "us"_ba << u"<Primary>q"_s << is(KEY_Q, kControl);
    QTest::newRow("shift alt tab") << "us"_ba << u"<Shift><Alt>Tab"_s << is(KEY_TAB, kShift | kAlt);
    QTest::newRow("alt F4") << "us"_ba << u"<Alt>F4"_s << is(KEY_F4, kAlt);
    QTest::newRow("key above tab") << "us"_ba << u"<Super>Above_Tab"_s << is(KEY_GRAVE, kSuper);
    QTest::newRow("media key alone") << "us"_ba << u"XF86AudioMute"_s << is(KEY_MUTE, kNone);
    QTest::newRow("shifted symbol") << "us"_ba << u"<Super>exclam"_s << is(KEY_1, kSuper | kShift);
    QTest::newRow("capital letter") << "us"_ba << u"<Super>S"_s << is(KEY_S, kSuper);
    QTest::newRow("french a") << "fr"_ba << u"<Super>a"_s << is(KEY_Q, kSuper);
    QTest::newRow("hyper") << "us"_ba << u"<Hyper>a"_s << std::optional<Combination>();
    QTest::newRow("modifier only") << "us"_ba << u"<Super>"_s << std::optional<Combination>();
    QTest::newRow("unknown key") << "us"_ba << u"<Super>nosuchkey"_s
                                 << std::optional<Combination>();
    QTest::newRow("unclosed") << "us"_ba << u"<Super"_s << std::optional<Combination>();
}

void TestDesktopSystemShortcuts::gtkAccelerators()
{
    QFETCH(QByteArray, layout);
    QFETCH(QString, accelerator);
    QFETCH(std::optional<Combination>, expected);
    const XkbKeyboardLayout keyboard(layoutNamed(layout));
    QCOMPARE(DesktopSystemShortcuts::parseAccelerator(accelerator, keyboard), expected);
}

void TestDesktopSystemShortcuts::qtKeySequences_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<std::optional<Combination>>("expected");
    const auto is = [](int key, Qt::KeyboardModifiers modifiers) {
        return std::optional(Combination { key, modifiers });
    };
    QTest::newRow("meta shift s") << u"Meta+Shift+S"_s << is(KEY_S, kSuper | kShift);
    QTest::newRow("ctrl alt del") << u"Ctrl+Alt+Del"_s << is(KEY_DELETE, kControl | kAlt);
    QTest::newRow("meta return") << u"Meta+Return"_s << is(KEY_ENTER, kSuper);
    QTest::newRow("meta 1") << u"Meta+1"_s << is(KEY_1, kSuper);
    QTest::newRow("meta !") << u"Meta+!"_s << is(KEY_1, kSuper | kShift);
    QTest::newRow("volume up") << u"Volume Up"_s << is(KEY_VOLUMEUP, kNone);
    QTest::newRow("page up") << u"Meta+PgUp"_s << is(KEY_PAGEUP, kSuper);
    QTest::newRow("two-step chord") << u"Ctrl+K, Ctrl+B"_s << std::optional<Combination>();
    QTest::newRow("nonsense") << u"Meta+Frobnicate"_s << std::optional<Combination>();
}

void TestDesktopSystemShortcuts::qtKeySequences()
{
    QFETCH(QString, sequence);
    QFETCH(std::optional<Combination>, expected);
    QCOMPARE(DesktopSystemShortcuts::parseQtKeySequence(sequence, m_us), expected);
}

void TestDesktopSystemShortcuts::kdeConfiguration()
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/kglobalshortcutsrc"_s;
    QVERIFY(writeFile(path, kKdeConfig));
    const auto remove = qScopeGuard([&] { QFile::remove(path); });
    DesktopSystemShortcuts::Sources sources;
    sources.desktops = QStringList { u"KDE"_s };
    sources.gsettings = u"/nonexistent/gsettings"_s;
    const DesktopSystemShortcuts system(&m_us, sources);
    const QList<SystemShortcut> expected {
        { { KEY_F4, kAlt }, u"KWin: Close Window"_s },
        { { KEY_F9, kControl }, u"KWin: Toggle Present Windows (Current desktop)"_s },
        { { KEY_W, kSuper }, u"KWin: Toggle Present Windows (Current desktop)"_s },
        { { KEY_TAB, kAlt }, u"KWin: Walk, Through Windows"_s },
        { { KEY_T, kControl | kAlt }, u"org.kde.konsole.desktop"_s },
    };
    QCOMPARE(system.shortcuts(), expected);
    QCOMPARE(system.conflict({ KEY_F4, kAlt })->title, u"KWin: Close Window"_s);
    QVERIFY(!system.conflict({ KEY_PAGEUP, kSuper })); // only a default, not bound
}

void TestDesktopSystemShortcuts::gnomeSettings_data()
{
    QTest::addColumn<QStringList>("desktops");
    QTest::addColumn<bool>("consulted");
    QTest::newRow("GNOME") << QStringList { u"GNOME"_s } << true;
    QTest::newRow("Ubuntu's GNOME") << QStringList { u"ubuntu"_s, u"GNOME"_s } << true;
    QTest::newRow("unknown desktop") << QStringList() << true;
    QTest::newRow("KDE has its own") << QStringList { u"KDE"_s } << false;
}

void TestDesktopSystemShortcuts::gnomeSettings()
{
    QFETCH(QStringList, desktops);
    QFETCH(bool, consulted);
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    const QString script = bin.filePath(u"gsettings"_s);
    QVERIFY(writeFile(script, kFakeGsettings));
    QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });

    DesktopSystemShortcuts::Sources sources;
    sources.desktops = desktops;
    const DesktopSystemShortcuts system(&m_us, sources);
    QList<SystemShortcut> expected;
    if (consulted) {
        expected = {
            { { KEY_F4, kAlt }, u"close"_s },
            { { KEY_HOME, kSuper }, u"switch-to-workspace-1"_s },
            { { KEY_1, kSuper }, u"switch-to-workspace-1"_s },
            { { KEY_L, kSuper }, u"screensaver"_s },
            { { KEY_S, kSuper }, u"toggle-overview"_s },
            { { KEY_T, kControl | kAlt }, u"Terminal"_s },
        };
    }
    QCOMPARE(system.shortcuts(), expected);
}

void TestDesktopSystemShortcuts::conflictsAskTheProbeLast()
{
    QList<Combination> probed;
    DesktopSystemShortcuts::Sources sources;
    sources.desktops = QStringList { u"KDE"_s };
    sources.kdeConfigPath = "/nonexistent/kglobalshortcutsrc";
    sources.grabProbe = [&](KeyCombination combination) {
        probed.append(combination);
        return combination.keyCode == KEY_S;
    };
    const DesktopSystemShortcuts system(&m_us, sources);
    QCOMPARE(system.conflict({ KEY_S, kSuper | kControl }),
        std::optional(SystemShortcut { { KEY_S, kSuper | kControl }, u"Another application"_s }));
    QVERIFY(!system.conflict({ KEY_D, kSuper | kControl }));
    QCOMPARE(
        probed, QList<Combination>({ { KEY_S, kSuper | kControl }, { KEY_D, kSuper | kControl } }));

    const FixedSystemShortcuts fixed({ { { KEY_S, kSuper }, u"Overview"_s } });
    QCOMPARE(fixed.conflict({ KEY_S, kSuper })->title, u"Overview"_s);
    QVERIFY(!fixed.conflict({ KEY_S, kControl }));
}

void TestDesktopSystemShortcuts::backendsReportTheDesktopsShortcuts()
{
    NullHotKeyBackend backend;
    QVERIFY(backend.systemHotKeys().isEmpty());
    backend.setSystemShortcuts(std::make_shared<FixedSystemShortcuts>(QList<SystemShortcut> {
        { { KEY_S, kSuper }, u"Overview"_s }, { { KEY_F4, kAlt }, u"Close"_s } }));
    QCOMPARE(backend.systemHotKeys(), QList<Combination>({ { KEY_S, kSuper }, { KEY_F4, kAlt } }));
}

void TestDesktopSystemShortcuts::systemKeyboardFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"keyboard"_s);
    QVERIFY(writeFile(file,
        "# KEYBOARD CONFIGURATION FILE\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"fr\"\nXKBVARIANT=''\n"
        "XKBOPTIONS=\"compose:ralt\"\nBACKSPACE=\"guess\"\n"));
    const auto names = XkbKeyboardLayout::systemNames(QFile::encodeName(file));
    QCOMPARE(names.layout, "fr"_ba);
    QCOMPARE(names.model, "pc105"_ba);
    QCOMPARE(names.variant, QByteArray());
    QCOMPARE(names.options, "compose:ralt"_ba);
    QCOMPARE(XkbKeyboardLayout(names).keyToCharacter(12), u"a"_s);

    qputenv("XKB_DEFAULT_LAYOUT", "de");
    const auto restore = qScopeGuard([] { qunsetenv("XKB_DEFAULT_LAYOUT"); });
    QCOMPARE(XkbKeyboardLayout(XkbKeyboardLayout::systemNames(QFile::encodeName(file)))
                 .keyToCharacter(6),
        u"y"_s);
}

void TestDesktopSystemShortcuts::platformWithoutDisplayRefusesRegistrations_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("backend");
    QTest::newRow("offscreen") << u"offscreen"_s << u"none"_s;
    QTest::newRow("wayland without a portal") << u"wayland"_s << u"portal"_s;
}

void TestDesktopSystemShortcuts::platformWithoutDisplayRefusesRegistrations()
{
    QFETCH(QString, platform);
    QFETCH(QString, backend);
    const auto services = ShortcutPlatform::create(platform, u"app.vantry.Vantry"_s);
    QCOMPARE(services.backend->name(), backend);
    QCOMPARE(services.backend->registerHotKey(1, { KEY_S, kSuper | kControl }),
        HotKeyBackend::NoService);
    QVERIFY(services.layout->isValid());
    QCOMPARE(services.backend->systemShortcuts(), services.systemShortcuts);
}

QTEST_GUILESS_MAIN(TestDesktopSystemShortcuts)
#include "tst_desktopsystemshortcuts.moc"
