// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardShortcuts/backends/DesktopSystemShortcuts.h"
#include "KeyboardShortcuts/backends/ShortcutPlatform.h"
#include "KeyboardShortcuts/backends/XkbKeyboardLayout.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace KeyboardShortcuts;

using Combination = std::pair<int, int>;
Q_DECLARE_METATYPE(std::optional<Combination>)

namespace {

constexpr int kCommand = 0x100, kShift = 0x200, kOption = 0x800, kControl = 0x1000;

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
    const auto is = [](int key, int modifiers) {
        return std::optional(Combination { key, modifiers });
    };
    QTest::newRow("super control s")
        << "us"_ba << u"<Super><Control>s"_s << is(1, kCommand | kControl);
    QTest::newRow("primary is control") << "us"_ba << u"<Primary>q"_s << is(12, kControl);
    QTest::newRow("shift alt tab") << "us"_ba << u"<Shift><Alt>Tab"_s << is(48, kShift | kOption);
    QTest::newRow("alt F4") << "us"_ba << u"<Alt>F4"_s << is(118, kOption);
    QTest::newRow("key above tab") << "us"_ba << u"<Super>Above_Tab"_s << is(50, kCommand);
    QTest::newRow("media key alone") << "us"_ba << u"XF86AudioMute"_s << is(74, 0);
    QTest::newRow("shifted symbol") << "us"_ba << u"<Super>exclam"_s << is(18, kCommand | kShift);
    QTest::newRow("capital letter") << "us"_ba << u"<Super>S"_s << is(1, kCommand);
    QTest::newRow("french a") << "fr"_ba << u"<Super>a"_s << is(12, kCommand);
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
    const auto is = [](int key, int modifiers) {
        return std::optional(Combination { key, modifiers });
    };
    QTest::newRow("meta shift s") << u"Meta+Shift+S"_s << is(1, kCommand | kShift);
    QTest::newRow("ctrl alt del") << u"Ctrl+Alt+Del"_s << is(117, kControl | kOption);
    QTest::newRow("meta return") << u"Meta+Return"_s << is(36, kCommand);
    QTest::newRow("meta 1") << u"Meta+1"_s << is(18, kCommand);
    QTest::newRow("meta !") << u"Meta+!"_s << is(18, kCommand | kShift);
    QTest::newRow("volume up") << u"Volume Up"_s << is(72, 0);
    QTest::newRow("page up") << u"Meta+PgUp"_s << is(116, kCommand);
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
        { 118, kOption, u"KWin: Close Window"_s },
        { 101, kControl, u"KWin: Toggle Present Windows (Current desktop)"_s },
        { 13, kCommand, u"KWin: Toggle Present Windows (Current desktop)"_s },
        { 48, kOption, u"KWin: Walk, Through Windows"_s },
        { 17, kControl | kOption, u"org.kde.konsole.desktop"_s },
    };
    QCOMPARE(system.shortcuts(), expected);
    QCOMPARE(system.conflict(118, kOption)->title, u"KWin: Close Window"_s);
    QVERIFY(!system.conflict(116, kCommand)); // only a default, not bound
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
            { 118, kOption, u"close"_s },
            { 115, kCommand, u"switch-to-workspace-1"_s },
            { 18, kCommand, u"switch-to-workspace-1"_s },
            { 37, kCommand, u"screensaver"_s },
            { 1, kCommand, u"toggle-overview"_s },
            { 17, kControl | kOption, u"Terminal"_s },
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
    sources.grabProbe = [&](int keyCode, int modifiers) {
        probed.append({ keyCode, modifiers });
        return keyCode == 1;
    };
    const DesktopSystemShortcuts system(&m_us, sources);
    QCOMPARE(system.conflict(1, kCommand | kControl),
        std::optional(SystemShortcut { 1, kCommand | kControl, u"Another application"_s }));
    QVERIFY(!system.conflict(2, kCommand | kControl));
    QCOMPARE(
        probed, QList<Combination>({ { 1, kCommand | kControl }, { 2, kCommand | kControl } }));

    const FixedSystemShortcuts fixed({ { 1, kCommand, u"Overview"_s } });
    QCOMPARE(fixed.conflict(1, kCommand)->title, u"Overview"_s);
    QVERIFY(!fixed.conflict(1, kControl));
}

void TestDesktopSystemShortcuts::backendsReportTheDesktopsShortcuts()
{
    NullHotKeyBackend backend;
    QVERIFY(backend.systemHotKeys().isEmpty());
    backend.setSystemShortcuts(std::make_shared<FixedSystemShortcuts>(
        QList<SystemShortcut> { { 1, kCommand, u"Overview"_s }, { 118, kOption, u"Close"_s } }));
    QCOMPARE(backend.systemHotKeys(), QList<Combination>({ { 1, kCommand }, { 118, kOption } }));
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
    QCOMPARE(services.backend->registerHotKey(1, 1, kCommand | kControl), HotKeyBackend::NoService);
    QVERIFY(services.layout->isValid());
    QCOMPARE(services.backend->systemShortcuts(), services.systemShortcuts);
}

QTEST_GUILESS_MAIN(TestDesktopSystemShortcuts)
#include "tst_desktopsystemshortcuts.moc"
