// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/TrayIconArt.h"

#include <QObject>
#include <QPointer>
#include <QRect>

class QSystemTrayIcon;
class QTimer;

namespace MenuBarExtraAccess {
class StatusItem;
}

namespace vantry {

class X11TraySelection;

// The tray icon behind a status item: shows the "Logo" image, turns a left click
// into a click on the status item and shows the item's menu on a right click (Qt
// shows the context menu itself and never reports it as a click). Panels do not tint
// pictures, so the icon carries a themed symbolic name and is drawn light or dark to
// suit the tray's colours, else its background where it can be read (an XEmbed tray, once
// it has taken the icon in), else the palette's.
class TrayIcon final : public QObject
{
    Q_OBJECT

public:
    explicit TrayIcon(MenuBarExtraAccess::StatusItem *item, QObject *parent = nullptr);
    ~TrayIcon() override;

    /// Puts the icon into the tray.
    void show();
    bool isVisible() const;

    /// The icon's place on screen when the tray reports one, else an invalid rectangle.
    QRect geometry() const;
    /// Whether the tray has yet to place the icon (and will report its place then).
    bool awaitsPlace() const;

    /// The rendering in use now.
    TrayIconArt::Tone tone() const { return m_tone; }
    /// The icon handed to the tray.
    QIcon icon() const;

Q_SIGNALS:
    /// A left click on the icon, or the second press of a double click (`doubleClick`).
    void triggered(bool doubleClick);
    /// The rendering changed (the tray's colours or the palette changed).
    void toneChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onMenuChanged();
    void updateTone();
    void onEmbedWatch();
    std::optional<QColor> trayBackground() const;

    QPointer<MenuBarExtraAccess::StatusItem> m_item;
    X11TraySelection *m_traySelection = nullptr;
    TrayIconArt::Tone m_tone = TrayIconArt::Tone::dark;
    QSystemTrayIcon *m_tray = nullptr;
    QTimer *m_embedWatch = nullptr;
    int m_embedChecks = 0;
};

} // namespace vantry
