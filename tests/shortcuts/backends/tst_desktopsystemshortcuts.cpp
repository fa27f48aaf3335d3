// SPDX-License-Identifier: GPL-3.0-or-later
// GIO first: its headers use "signals" as a name, which Qt defines as a keyword.
#include <gio/gio.h>

#include "ShortcutFixture.h"
#include "XkbLayouts.h"
#include "shortcuts/NameLayer.h"
#include "shortcuts/backends/DesktopSystemShortcuts.h"
#include "shortcuts/backends/GnomeHotKeyBackend.h"
#include "shortcuts/backends/XkbKeyboardLayout.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <linux/input-event-codes.h>

using namespace Qt::StringLiterals;
using namespace KeyboardShortcuts;
using namespace KeyboardShortcuts::Testing;

using Combination = KeyCombination;
Q_DECLARE_METATYPE(std::optional<Combination>)
Q_DECLARE_METATYPE(QList<SystemShortcut>)
Q_DECLARE_METATYPE(std::optional<Shortcut>)

namespace {

constexpr Qt::KeyboardModifiers kNone, kSuper = Qt::MetaModifier, kShift = Qt::ShiftModifier,
                                       kAlt = Qt::AltModifier, kControl = Qt::ControlModifier;

const Shortcut controlCommandD(namedKey("d"), ControlModifier | CommandModifier);

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A gsettings stand-in that knows a few GNOME bindings, one custom binding of the
// user's and our own (no conflict with itself), like a machine with GNOME's schemas.
const QByteArray kFakeGsettings = R"(#!/bin/sh
media=org.gnome.settings-daemon.plugins.media-keys
custom=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/
ours=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/vantry/
case "$1 $2 $3" in
"list-recursively org.gnome.desktop.wm.keybindings ")
  echo "org.gnome.desktop.wm.keybindings minimize @as []"
  echo "org.gnome.desktop.wm.keybindings switch-to-workspace-1 ['<Super>Home', '<Super>1']" ;;
"list-recursively $media ")
  echo "$media custom-keybindings ['$custom', '$ours']"
  echo "$media help ''" ;;
"list-recursively org.gnome.shell.keybindings ")
  echo "org.gnome.shell.keybindings toggle-overview ['<Super>s']" ;;
"get $media custom-keybindings") echo "['$custom', '$ours']" ;;
"get $media.custom-keybinding:$ours "*) echo "'<Control><Super>s'" ;;
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
    // Never the user's dconf: GSettings lives in this process's memory.
    void initTestCase() { qputenv("GSETTINGS_BACKEND", "memory"); }
    void desktopKeyNames_data();
    void desktopKeyNames();
    void shortcutsOfTheDesktop_data();
    void shortcutsOfTheDesktop();
    void systemKeyboardFile();
    void gnomeCustomShortcut_data();
    void gnomeCustomShortcut();

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

void TestDesktopSystemShortcuts::systemKeyboardFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"keyboard"_s);
    QVERIFY(writeFile(file,
        "# KEYBOARD CONFIGURATION FILE\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"fr\"\nXKBVARIANT=''\n"
        "XKBOPTIONS=\"compose:ralt\"\nBACKSPACE=\"guess\"\n"));
    const auto names = XkbKeyboardLayout::systemNames(QFile::encodeName(file));
    QCOMPARE(names.layout, "fr"_ba);
    QCOMPARE(names.variant, QByteArray());
    QCOMPARE(XkbKeyboardLayout(names).keyToCharacter(12), u"a"_s);

    qputenv("XKB_DEFAULT_LAYOUT", "de");
    const auto restore = qScopeGuard([] { qunsetenv("XKB_DEFAULT_LAYOUT"); });
    QCOMPARE(XkbKeyboardLayout(XkbKeyboardLayout::systemNames(QFile::encodeName(file)))
                 .keyToCharacter(6),
        u"y"_s);
}

void TestDesktopSystemShortcuts::gnomeCustomShortcut_data()
{
    QTest::addColumn<QString>("userKeys"); // the user's own custom shortcut
    QTest::addColumn<QString>("filedBefore"); // our entry's keys from an earlier run
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("filed"); // our entry's keys at the end; empty: none
    QTest::addColumn<std::optional<Shortcut>>("stored"); // what the recorder shows then
    const QString terminal = u"<Primary><Alt>t"_s, none;
    const Shortcut s = controlCommandS, d = controlCommandD;
    const std::optional<Shortcut> cleared;
    QTest::newRow("added, kept after quitting")
        << terminal << none << QStringList {} << u"<Control><Super>s"_s << std::optional(s);
    QTest::newRow("rebound, kept through a menu")
        << terminal << none << QStringList { u"record d"_s, u"menu"_s } << u"<Control><Super>d"_s
        << std::optional(d);
    QTest::newRow("cleared") << terminal << none << QStringList { u"record -"_s } << none
                             << cleared;
    QTest::newRow("the user has the keys")
        << u"<Control><Super>s"_s << none << QStringList {} << none << std::optional(s);
    QTest::newRow("changed in GNOME's Settings")
        << terminal << none << QStringList { u"settings <Super><Control>d"_s }
        << u"<Super><Control>d"_s << std::optional(d);
    QTest::newRow("removed in GNOME's Settings")
        << terminal << none << QStringList { u"settings -"_s } << none << cleared;
    QTest::newRow("changed there while we did not run")
        << terminal << u"<Control><Super>d"_s << QStringList {} << u"<Control><Super>d"_s
        << std::optional(d);
}

void TestDesktopSystemShortcuts::gnomeCustomShortcut()
{
    QFETCH(QString, userKeys);
    QFETCH(QString, filedBefore);
    QFETCH(QStringList, steps);
    QFETCH(QString, filed);
    QFETCH(std::optional<Shortcut>, stored);
    QVERIFY(!GnomeHotKeyBackend::isAvailable({ u"KDE"_s }));
    QCOMPARE(GnomeHotKeyBackend::toggleCommand(u"/tmp/it's/vantry"_s),
        u"'/tmp/it'\\''s/vantry' --toggle"_s);

    // What Settings → Keyboard would hold: the user's shortcut, and ours from before.
    const QByteArray user
        = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/";
    GSettings *list = g_settings_new(GnomeHotKeyBackend::listSchema);
    GSettings *ours
        = g_settings_new_with_path(GnomeHotKeyBackend::entrySchema, GnomeHotKeyBackend::entryPath);
    GSettings *theirs = g_settings_new_with_path(GnomeHotKeyBackend::entrySchema, user);
    const auto release = qScopeGuard([&] {
        for (GSettings *settings : { list, ours, theirs }) {
            g_object_unref(settings);
        }
    });
    const auto setList = [&](bool withOurs) {
        const char *paths[]
            = { user.constData(), withOurs ? GnomeHotKeyBackend::entryPath : nullptr, nullptr };
        g_settings_set_strv(list, "custom-keybindings", paths);
    };
    const auto read = [](GSettings *settings, const char *key) {
        gchar *value = g_settings_get_string(settings, key);
        const QString text = QString::fromUtf8(value);
        g_free(value);
        return text;
    };
    g_settings_set_string(theirs, "binding", userKeys.toUtf8().constData());
    for (const char *key : { "name", "command", "binding" }) {
        g_settings_reset(ours, key);
    }
    g_settings_set_string(ours, "binding", filedBefore.toUtf8().constData());
    setList(!filedBefore.isEmpty());

    {
        GnomeHotKeyBackend gnome(&m_us, u"vantry --toggle"_s);
        gnome.setSystemShortcuts(std::make_shared<FixedSystemShortcuts>(QList<SystemShortcut> {
            { *DesktopSystemShortcuts::parseAccelerator(userKeys, m_us), u"Terminal"_s } }));
        ShortcutFixture f(&gnome);
        const Name name(u"openShelfWindow"_s, controlCommandS);
        KeyboardShortcuts::onKeyDown(name, [] {});
        for (const QString &step : steps) {
            const QString arg = step.section(u' ', 1);
            if (step.startsWith("record"_L1)) {
                setShortcut(arg == "-"_L1 ? std::nullopt : std::optional(controlCommandD), name);
            } else if (step == "menu"_L1) {
                f.center.nameLayer().hotKeys().setMenuTrackingActive(true);
            } else { // the user, in GNOME's Settings, once the entry is there
                QTRY_COMPARE(read(ours, "binding"), u"<Control><Super>s"_s);
                if (arg == "-"_L1) {
                    setList(false);
                    g_settings_reset(ours, "binding");
                } else {
                    g_settings_set_string(ours, "binding", arg.toUtf8().constData());
                }
                QTRY_COMPARE(getShortcut(name), stored);
            }
        }
        QTRY_COMPARE(getShortcut(name), stored);
        QCOMPARE(desktopRefusal(name).has_value(), userKeys.contains("Super"_L1));
        if (!filed.isEmpty()) {
            QCOMPARE(desktopSettingsPlace(name),
                u"Settings → Keyboard → Keyboard Shortcuts → Custom Shortcuts"_s);
        }
    } // quit: what is pending is written, what is filed stays

    gchar **paths = g_settings_get_strv(list, "custom-keybindings");
    const auto freePaths = qScopeGuard([&] { g_strfreev(paths); });
    QCOMPARE(g_strv_length(paths), filed.isEmpty() ? 1U : 2U);
    QCOMPARE(QByteArray(paths[0]), user);
    QCOMPARE(read(theirs, "binding"), userKeys);
    QCOMPARE(read(ours, "binding"), filed);
    QCOMPARE(read(ours, "command"), filed.isEmpty() ? QString() : u"vantry --toggle"_s);
}

QTEST_GUILESS_MAIN(TestDesktopSystemShortcuts)
#include "tst_desktopsystemshortcuts.moc"
