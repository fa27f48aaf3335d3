// SPDX-License-Identifier: GPL-3.0-or-later
#include "XkbGroupLock.h"

#include "KeyboardShortcuts/backends/X11Connection.h"
#include "KeyboardShortcuts/backends/XkbKeyboardLayout.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

using namespace Qt::StringLiterals;
using KeyboardShortcuts::X11Connection;
using KeyboardShortcuts::XkbKeyboardLayout;

namespace {

XkbKeyboardLayout::Names layoutNamed(const QByteArray &layout)
{
    XkbKeyboardLayout::Names names;
    names.layout = layout;
    return names;
}

bool setxkbmap(const QStringList &args)
{
    return QProcess::execute(u"setxkbmap"_s, args) == 0;
}

} // namespace

class TestXkbKeyboardLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unshiftedTextOfKeyPositions_data();
    void unshiftedTextOfKeyPositions();
    void keyPositionOfKeysyms_data();
    void keyPositionOfKeysyms();
    void followsTheServersKeymapAndGroup();
};

void TestXkbKeyboardLayout::unshiftedTextOfKeyPositions_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<QString>("text");
    QTest::newRow("us q") << "us"_ba << 12 << u"q"_s;
    QTest::newRow("us backtick") << "us"_ba << 50 << u"`"_s;
    QTest::newRow("us one is not shifted") << "us"_ba << 18 << u"1"_s;
    QTest::newRow("fr q position") << "fr"_ba << 12 << u"a"_s;
    QTest::newRow("fr zero position") << "fr"_ba << 29 << u"à"_s;
    QTest::newRow("fr dead circumflex") << "fr"_ba << 33 << u"^"_s;
    QTest::newRow("de z position") << "de"_ba << 6 << u"y"_s;
    QTest::newRow("return types no text") << "us"_ba << 36 << QString();
    QTest::newRow("key without a position") << "us"_ba << 0x7fff << QString();
    QTest::newRow("negative key code") << "us"_ba << -1 << QString();
}

void TestXkbKeyboardLayout::unshiftedTextOfKeyPositions()
{
    QFETCH(QByteArray, layout);
    QFETCH(int, keyCode);
    QFETCH(QString, text);
    const XkbKeyboardLayout keyboard(layoutNamed(layout));
    QVERIFY(keyboard.isValid());
    QCOMPARE(keyboard.keyToCharacter(keyCode), text);
}

void TestXkbKeyboardLayout::keyPositionOfKeysyms_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QByteArray>("keysymName");
    QTest::addColumn<int>("keyCode");
    QTest::newRow("us q") << "us"_ba
                          << "q"_ba << KEY_Q;
    QTest::newRow("fr q") << "fr"_ba
                          << "q"_ba << KEY_A;
    QTest::newRow("shifted symbol") << "us"_ba
                                    << "Q"_ba << KEY_Q;
    QTest::newRow("exclam on the one key") << "us"_ba
                                           << "exclam"_ba << KEY_1;
    QTest::newRow("digit prefers the main block") << "us"_ba
                                                  << "1"_ba << KEY_1;
    QTest::newRow("keypad enter") << "us"_ba
                                  << "KP_Enter"_ba << KEY_KPENTER;
    QTest::newRow("mute") << "us"_ba
                          << "XF86AudioMute"_ba << KEY_MUTE;
    QTest::newRow("not on this layout") << "us"_ba
                                        << "eacute"_ba << -1;
}

void TestXkbKeyboardLayout::keyPositionOfKeysyms()
{
    QFETCH(QByteArray, layout);
    QFETCH(QByteArray, keysymName);
    QFETCH(int, keyCode);
    const XkbKeyboardLayout keyboard(layoutNamed(layout));
    const auto found = keyboard.keyCodeForKeysym(
        xkb_keysym_from_name(keysymName.constData(), XKB_KEYSYM_NO_FLAGS));
    QCOMPARE(found.value_or(-1), keyCode);
}

void TestXkbKeyboardLayout::followsTheServersKeymapAndGroup()
{
    const auto connection = X11Connection::open();
    QVERIFY2(connection, "needs an X server with XKB");
    XkbKeyboardLayout keyboard(connection);
    QVERIFY(keyboard.isValid());
    QCOMPARE(keyboard.keyToCharacter(12), u"q"_s);
    const auto restore = qScopeGuard([] { setxkbmap({ u"us"_s }); });

    QSignalSpy changed(&keyboard, &XkbKeyboardLayout::layoutChanged);
    QVERIFY(setxkbmap({ u"fr"_s }));
    QTRY_COMPARE(keyboard.keyToCharacter(12), u"a"_s);
    QVERIFY(!changed.isEmpty());

    QVERIFY(setxkbmap({ u"-layout"_s, u"us,fr"_s }));
    QTRY_COMPARE(keyboard.keyToCharacter(12), u"q"_s);
    changed.clear();
    QVERIFY(lockKeyboardGroup(1));
    QVERIFY(changed.wait(10000));
    QCOMPARE(keyboard.keyToCharacter(12), u"a"_s);
    QVERIFY(lockKeyboardGroup(0));
    QTRY_COMPARE(keyboard.keyToCharacter(12), u"q"_s);
}

QTEST_GUILESS_MAIN(TestXkbKeyboardLayout)
#include "tst_xkbkeyboardlayout.moc"
