// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QColor>
#include <QObject>
#include <QRect>

#include <cstdint>
#include <optional>

struct xcb_connection_t;

namespace vantry {

// Watches the X11 system tray selection (_NET_SYSTEM_TRAY_S<screen>): whether a tray
// owns it now, and the MANAGER message a tray sends to the root window when it takes it.
// Does nothing outside the xcb platform.
class X11TraySelection final : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit X11TraySelection(QObject *parent = nullptr);
    ~X11TraySelection() override;

    /// Whether this runs on X11 at all.
    bool isAvailable() const { return m_connection != nullptr; }
    /// Whether a tray owns the selection right now (one round trip to the server).
    bool hasOwner() const;
    /// Starts listening for a tray taking the selection; emits ownerAppeared when one does.
    void watch();

    /// The colour the tray asks symbolic icons to be drawn in (the "normal" entry of the
    /// owner's _NET_SYSTEM_TRAY_COLORS), or nothing when it offers none.
    std::optional<QColor> foregroundColor() const;
    /// The tray's own background around an icon in slot (native pixels on this screen): the
    /// mean of the slot's corner pixels, which icons leave clear. Nothing when the screen
    /// cannot be read there.
    std::optional<QColor> backgroundAround(const QRect &slot) const;
    /// Follows the tray's colours: emits colorsChanged when the owner sets them anew or
    /// another tray takes the selection.
    void watchColors();

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

Q_SIGNALS:
    void ownerAppeared();
    void colorsChanged();

private:
    std::uint32_t owner() const;
    void followOwner();

    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_root = 0;
    QRect m_rootRect;
    std::uint32_t m_selection = 0;
    std::uint32_t m_manager = 0;
    std::uint32_t m_colors = 0;
    std::uint32_t m_followedOwner = 0;
    bool m_watching = false;
    bool m_watchingColors = false;
};

} // namespace vantry
