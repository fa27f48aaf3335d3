// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>
#include <vector>
#include <xcb/xcb.h>

class QSocketNotifier;

namespace KeyboardShortcuts {

// Our own connection to the X server, read through a socket notifier. Grabs made
// on it deliver their key events here whichever window has the focus, and its XKB
// settings (detectable auto-repeat, selected events) leave Qt's connection alone.
class X11Connection final : public QObject
{
    Q_OBJECT

public:
    /// Connects to $DISPLAY; null when there is no X server or it lacks XKB.
    static std::shared_ptr<X11Connection> open();
    ~X11Connection() override;

    xcb_connection_t *connection() const { return m_connection; }
    xcb_window_t root() const { return m_root; }
    /// XKB device id of the core keyboard.
    int32_t keyboardDevice() const { return m_keyboardDevice; }
    /// Whether the server reports repeats as presses without releases.
    bool detectableAutoRepeat() const { return m_detectableAutoRepeat; }

    /// Sends buffered requests and handles events a blocking call has queued.
    void flush();

Q_SIGNALS:
    /// A key press or release (the repeat's fake release already dropped).
    void keyEvent(bool press, quint8 keycode, quint16 state, quint32 time);
    /// The keyboard, its key codes or its modifier map changed.
    void keyboardChanged();
    /// The keyboard's modifier or group state changed (XKB StateNotify).
    void keyboardStateChanged(quint8 baseMods, quint8 latchedMods, quint8 lockedMods,
        qint16 baseGroup, qint16 latchedGroup, quint8 lockedGroup);

private:
    explicit X11Connection(xcb_connection_t *connection);
    void readEvents();
    void dispatch(std::vector<xcb_generic_event_t *> &events);

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    int32_t m_keyboardDevice = -1;
    quint8 m_xkbFirstEvent = 0;
    bool m_detectableAutoRepeat = false;
    QSocketNotifier *m_notifier = nullptr;
    bool m_drainQueued = false;
};

} // namespace KeyboardShortcuts
