// SPDX-License-Identifier: GPL-3.0-or-later
#include "XkbLayouts.h"
#include "shortcuts/backends/DesktopSystemShortcuts.h"
#include "shortcuts/backends/ShortcutPlatform.h"
#include "shortcuts/backends/XkbKeyboardLayout.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <linux/input-event-codes.h>

using namespace Qt::StringLiterals;
using namespace KeyboardShortcuts;

using Combination = KeyCombination;
Q_DECLARE_METATYPE(std::optional<Combination>)
Q_DECLARE_METATYPE(QList<SystemShortcut>)

namespace {

constexpr Qt::KeyboardModifiers kNone, kSuper = Qt::MetaModifier, kShift = Qt::ShiftModifier,
                                       kAlt = Qt::AltModifier, kControl = Qt::ControlModifier;

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
  echo "org.gnome.desktop.wm.keybindings minimize @as []"
  echo "org.gnome.desktop.wm.keybindings switch-to-workspace-1 ['<Super>Home', '<Super>1']" ;;
"list-recursively $media ")
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
    void desktopKeyNames_data();
    void desktopKeyNames();
    void shortcutsOfTheDesktop_data();
    void shortcutsOfTheDesktop();
    void conflictsAskTheProbeLast();
    void systemKeyboardFile();
    void platformWithoutDisplayRefusesRegistrations();

private:
    XkbKeyboardLayout m_us { layoutNamed("us") };
};

void TestDesktopSystemShortcuts::desktopKeyNames_data()
{
    QTest::addColumn<bool>("gtk"); // else a Qt key sequence, as KDE writes them
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::optional<Combination>>("expected");
    const auto is = [](int key, Qt::KeyboardModifiers modifiers) {
        return std::optional(Combination { key, modifiers });
    };
    const std::optional<Combination> none;
    QTest::newRow("gtk shift alt tab")
        << true << "us"_ba << u"<Shift><Alt>Tab"_s << is(KEY_TAB, kShift | kAlt);
    QTest::newRow("gtk key above tab")
        << true << "us"_ba << u"<Super>Above_Tab"_s << is(KEY_GRAVE, kSuper);
    QTest::newRow("gtk media key alone")
        << true << "us"_ba << u"XF86AudioMute"_s << is(KEY_MUTE, kNone);
    QTest::newRow("gtk shifted symbol")
        << true << "us"_ba << u"<Super>exclam"_s << is(KEY_1, kSuper | kShift);
    QTest::newRow("gtk french a") << true << "fr"_ba << u"<Super>a"_s << is(KEY_Q, kSuper);
    QTest::newRow("gtk keypad enter")
        << true << "us"_ba << u"<Control>KP_Enter"_s << is(KEY_KPENTER, kControl);
    QTest::newRow("gtk key not on the layout") << true << "us"_ba << u"<Super>eacute"_s << none;
    QTest::newRow("gtk hyper") << true << "us"_ba << u"<Hyper>a"_s << none;
    QTest::newRow("gtk modifier only") << true << "us"_ba << u"<Super>"_s << none;
    QTest::newRow("gtk unknown key") << true << "us"_ba << u"<Super>nosuchkey"_s << none;
    QTest::newRow("gtk unclosed") << true << "us"_ba << u"<Super"_s << none;
    QTest::newRow("qt ctrl alt del")
        << false << "us"_ba << u"Ctrl+Alt+Del"_s << is(KEY_DELETE, kControl | kAlt);
    QTest::newRow("qt meta !") << false << "us"_ba << u"Meta+!"_s << is(KEY_1, kSuper | kShift);
    QTest::newRow("qt volume up") << false << "us"_ba << u"Volume Up"_s << is(KEY_VOLUMEUP, kNone);
    QTest::newRow("qt nonsense") << false << "us"_ba << u"Meta+Frobnicate"_s << none;
}

void TestDesktopSystemShortcuts::desktopKeyNames()
{
    QFETCH(bool, gtk);
    QFETCH(QByteArray, layout);
    QFETCH(QString, name);
    QFETCH(std::optional<Combination>, expected);
    const XkbKeyboardLayout keyboard(layoutNamed(layout));
    QCOMPARE(gtk ? DesktopSystemShortcuts::parseAccelerator(name, keyboard)
                 : DesktopSystemShortcuts::parseQtKeySequence(name, keyboard),
        expected);
}

void TestDesktopSystemShortcuts::shortcutsOfTheDesktop_data()
{
    QTest::addColumn<QStringList>("desktops");
    QTest::addColumn<QList<SystemShortcut>>("expected");
    const QList<SystemShortcut> gnome {
        { { KEY_HOME, kSuper }, u"switch-to-workspace-1"_s },
        { { KEY_1, kSuper }, u"switch-to-workspace-1"_s },
        { { KEY_S, kSuper }, u"toggle-overview"_s },
        { { KEY_T, kControl | kAlt }, u"Terminal"_s },
    };
    QTest::newRow("GNOME") << QStringList { u"GNOME"_s } << gnome;
    QTest::newRow("Ubuntu's GNOME") << QStringList { u"ubuntu"_s, u"GNOME"_s } << gnome;
    // KDE's own file, bound keys only (not the defaults); gsettings is not asked.
    QTest::newRow("KDE")
        << QStringList { u"KDE"_s }
        << QList<SystemShortcut> {
               { { KEY_F4, kAlt }, u"KWin: Close Window"_s },
               { { KEY_F9, kControl }, u"KWin: Toggle Present Windows (Current desktop)"_s },
               { { KEY_W, kSuper }, u"KWin: Toggle Present Windows (Current desktop)"_s },
               { { KEY_TAB, kAlt }, u"KWin: Walk, Through Windows"_s },
               { { KEY_T, kControl | kAlt }, u"org.kde.konsole.desktop"_s },
           };
}

void TestDesktopSystemShortcuts::shortcutsOfTheDesktop()
{
    QFETCH(QStringList, desktops);
    QFETCH(QList<SystemShortcut>, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString script = dir.filePath(u"gsettings"_s);
    QVERIFY(writeFile(script, kFakeGsettings));
    QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(writeFile(dir.filePath(u"kglobalshortcutsrc"_s), kKdeConfig));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()) + ':' + path);
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });

    DesktopSystemShortcuts::Sources sources;
    sources.desktops = desktops;
    sources.kdeConfigPath = QFile::encodeName(dir.filePath(u"kglobalshortcutsrc"_s));
    const DesktopSystemShortcuts system(&m_us, sources);
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

void TestDesktopSystemShortcuts::platformWithoutDisplayRefusesRegistrations()
{
    const auto services = ShortcutPlatform::create(u"offscreen"_s, u"app.vantry.Vantry"_s);
    QCOMPARE(services.backend->name(), u"none"_s);
    QCOMPARE(services.backend->registerHotKey(1, { KEY_S, kSuper | kControl }),
        HotKeyBackend::NoService);
    QVERIFY(services.layout->isValid());
    QCOMPARE(services.backend->systemShortcuts(), services.systemShortcuts);
    // The desktop's shortcuts reach the recorder through the backend.
    services.backend->setSystemShortcuts(std::make_shared<FixedSystemShortcuts>(
        QList<SystemShortcut> { { { KEY_S, kSuper }, u"Overview"_s } }));
    QCOMPARE(services.backend->systemHotKeys(), QList<Combination>({ { KEY_S, kSuper } }));
}

QTEST_GUILESS_MAIN(TestDesktopSystemShortcuts)
#include "tst_desktopsystemshortcuts.moc"
