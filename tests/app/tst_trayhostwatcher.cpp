// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayHostWatcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using vantry::TrayHostWatcher;

namespace {
xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    auto *reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

// Plays an X11 tray starting up: takes the tray selection and announces it on the root window.
class FakeX11Tray
{
public:
    FakeX11Tray()
        : m_c(xcb_connect(nullptr, nullptr))
    { }
    ~FakeX11Tray() { xcb_disconnect(m_c); }
    bool start()
    {
        if (xcb_connection_has_error(m_c))
            return false;
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        const xcb_window_t w = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 1, 1, 0,
            XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t selection = atom(m_c, "_NET_SYSTEM_TRAY_S0");
        xcb_set_selection_owner(m_c, w, selection, XCB_CURRENT_TIME);
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = screen->root;
        event.type = atom(m_c, "MANAGER");
        event.data.data32[0] = XCB_CURRENT_TIME;
        event.data.data32[1] = selection;
        event.data.data32[2] = w;
        xcb_send_event(m_c, 0, screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
            reinterpret_cast<const char *>(&event));
        xcb_flush(m_c);
        return true;
    }

private:
    xcb_connection_t *m_c;
};
} // namespace

class TestTrayHostWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // No host at all is driven end to end (tests/e2e/test_notray.py).
    void aStatusNotifierHostAppearingLater()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.isConnected());
        TrayHostWatcher watcher(10s);
        QSignalSpy available(&watcher, &TrayHostWatcher::hostAvailable);
        watcher.start();
        QCOMPARE(available.size(), 0);
        QVERIFY(bus.registerService(QString::fromLatin1(TrayHostWatcher::watcherService)));
        QVERIFY(available.wait());
        QVERIFY(watcher.isHostAvailable());
        QVERIFY(bus.unregisterService(QString::fromLatin1(TrayHostWatcher::watcherService)));
    }

    void anX11TrayAppearingLater()
    {
        if (QGuiApplication::platformName() != u"xcb"_s)
            QSKIP("needs an X display");
        TrayHostWatcher watcher(10s);
        QSignalSpy available(&watcher, &TrayHostWatcher::hostAvailable);
        QSignalSpy none(&watcher, &TrayHostWatcher::noHostFound);
        watcher.start();
        QCOMPARE(available.size(), 0);
        FakeX11Tray tray;
        QVERIFY(tray.start());
        QVERIFY(available.wait());
        QCOMPARE(none.size(), 0);
    }
};

QTEST_MAIN(TestTrayHostWatcher)
#include "tst_trayhostwatcher.moc"
