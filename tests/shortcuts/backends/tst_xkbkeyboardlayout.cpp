// SPDX-License-Identifier: GPL-3.0-or-later
#include "XkbGroupLock.h"

#include "XkbLayouts.h"
#include "shortcuts/backends/WaylandKeyboard.h"
#include "shortcuts/backends/X11Connection.h"
#include "shortcuts/backends/XkbKeyboardLayout.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-server.h>

using namespace Qt::StringLiterals;
using KeyboardShortcuts::X11Connection;
using KeyboardShortcuts::XkbKeyboardLayout;

namespace {

bool setxkbmap(const QStringList &args)
{
    return QProcess::execute(u"setxkbmap"_s, args) == 0;
}

// A compositor's seat in this process, talking to a client connection of our
// own: each keyboard it hands out gets the keymap of that moment.
struct Seat
{
    wl_display *server = wl_display_create();
    wl_display *client = nullptr;
    wl_resource *resource = nullptr;
    QByteArray keymap;

    Seat()
    {
        int fds[2];
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
        wl_client_create(server, fds[0]);
        client = wl_display_connect_to_fd(fds[1]);
    }
    ~Seat()
    {
        wl_display_disconnect(client);
        wl_display_destroy_clients(server);
        wl_display_destroy(server);
    }
    // Delivers what either side sent until both are quiet.
    void pump()
    {
        for (int i = 0; i < 4; ++i) {
            wl_display_flush(client);
            wl_event_loop_dispatch(wl_display_get_event_loop(server), 0);
            wl_display_flush_clients(server);
            while (wl_display_prepare_read(client) != 0) {
                wl_display_dispatch_pending(client);
            }
            pollfd ready { wl_display_get_fd(client), POLLIN, 0 };
            if (::poll(&ready, 1, 20) > 0) {
                wl_display_read_events(client);
            } else {
                wl_display_cancel_read(client);
            }
            wl_display_dispatch_pending(client);
        }
    }
    static void getKeyboard(wl_client *client, wl_resource *seat, uint32_t id)
    {
        const QByteArray &keymap = static_cast<Seat *>(wl_resource_get_user_data(seat))->keymap;
        wl_resource *keyboard
            = wl_resource_create(client, &wl_keyboard_interface, wl_resource_get_version(seat), id);
        static const struct wl_keyboard_interface keyboardCalls
        {
            &destroy
        };
        wl_resource_set_implementation(keyboard, &keyboardCalls, nullptr, nullptr);
        const int fd = memfd_create("keymap", MFD_CLOEXEC);
        (void)!::write(fd, keymap.constData(), size_t(keymap.size() + 1));
        wl_keyboard_send_keymap(
            keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, uint32_t(keymap.size() + 1));
        ::close(fd);
    }
    static void destroy(wl_client *, wl_resource *resource) { wl_resource_destroy(resource); }
};

} // namespace

class TestXkbKeyboardLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unshiftedTextOfKeyPositions_data();
    void unshiftedTextOfKeyPositions();
    void followsTheServersKeymapAndGroup();
    void followsTheWaylandSeatsKeyboard();
};

void TestXkbKeyboardLayout::unshiftedTextOfKeyPositions_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<QString>("text");
    QTest::newRow("us backtick") << "us"_ba << 50 << u"`"_s;
    QTest::newRow("us one is not shifted") << "us"_ba << 18 << u"1"_s;
    QTest::newRow("fr zero position") << "fr"_ba << 29 << u"à"_s;
    QTest::newRow("fr dead circumflex") << "fr"_ba << 33 << u"^"_s;
    QTest::newRow("return types no text") << "us"_ba << 36 << QString();
    QTest::newRow("key without a position") << "us"_ba << 0x7fff << QString();
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

void TestXkbKeyboardLayout::followsTheServersKeymapAndGroup()
{
    const auto connection = X11Connection::open();
    QVERIFY2(connection, "needs an X server with XKB");
    XkbKeyboardLayout keyboard(connection);
    QVERIFY(keyboard.isValid());
    QCOMPARE(keyboard.keyToCharacter(12), u"q"_s);
    const auto restore = qScopeGuard([] { setxkbmap({ u"us"_s }); });

    // A new keymap of two layouts, then a switch to the second and back.
    QSignalSpy changed(&keyboard, &XkbKeyboardLayout::layoutChanged);
    QVERIFY(setxkbmap({ u"-layout"_s, u"fr,us"_s }));
    QTRY_COMPARE(keyboard.keyToCharacter(12), u"a"_s);
    QVERIFY(!changed.isEmpty());
    changed.clear();
    QVERIFY(lockKeyboardGroup(1));
    QVERIFY(changed.wait(10000));
    QCOMPARE(keyboard.keyToCharacter(12), u"q"_s);
    QVERIFY(lockKeyboardGroup(0));
    QTRY_COMPARE(keyboard.keyToCharacter(12), u"a"_s);
}

void TestXkbKeyboardLayout::followsTheWaylandSeatsKeyboard()
{
    Seat seat;
    static const struct wl_seat_interface seatCalls
    {
        nullptr, &Seat::getKeyboard, nullptr, &Seat::destroy
    };
    wl_global_create(seat.server, &wl_seat_interface, 5, &seat,
        [](wl_client *client, void *data, uint32_t version, uint32_t id) {
            auto *self = static_cast<Seat *>(data);
            self->resource = wl_resource_create(client, &wl_seat_interface, int(version), id);
            wl_resource_set_implementation(self->resource, &seatCalls, self, nullptr);
        });
    XkbKeyboardLayout layout(layoutNamed("us"));
    KeyboardShortcuts::SeatKeyboard keyboard(&layout);
    wl_registry *registry = wl_display_get_registry(seat.client);
    static const wl_registry_listener globals {
        [](void *data, wl_registry *registry, uint32_t name, const char *, uint32_t version) {
            static_cast<KeyboardShortcuts::SeatKeyboard *>(data)->bind(
                registry, int(name), int(version));
        },
        [](void *, wl_registry *, uint32_t) {}
    };
    wl_registry_add_listener(registry, &globals, &keyboard);
    seat.keymap = keymapText("fr");
    seat.pump();
    QVERIFY(seat.resource);
    wl_seat_send_capabilities(seat.resource, WL_SEAT_CAPABILITY_KEYBOARD);
    seat.pump();
    QCOMPARE(layout.keyToCharacter(12), u"a"_s);

    // The keyboard goes and comes back with another layout.
    wl_seat_send_capabilities(seat.resource, 0);
    seat.pump();
    seat.keymap = keymapText("de");
    wl_seat_send_capabilities(seat.resource, WL_SEAT_CAPABILITY_KEYBOARD);
    seat.pump();
    QCOMPARE(layout.keyToCharacter(6), u"y"_s);
    wl_registry_destroy(registry);
}

QTEST_GUILESS_MAIN(TestXkbKeyboardLayout)
#include "tst_xkbkeyboardlayout.moc"
