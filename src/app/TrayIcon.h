// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class QSystemTrayIcon;

namespace MenuBarExtraAccess {
class StatusItem;
}

namespace vantry {

// The tray icon behind a status item: shows the "Logo" template image, turns a
// left click into a click on the status item and shows the item's menu on a
// right click (Qt shows the context menu itself and never reports it as a click).
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

    /// The "Logo" image as a mask the panel tints.
    static QIcon logo();

Q_SIGNALS:
    /// A left click (or the second click of a double click) on the icon.
    void triggered();

private:
    void onMenuChanged();

    QPointer<MenuBarExtraAccess::StatusItem> m_item;
    QSystemTrayIcon *m_tray = nullptr;
};

} // namespace vantry
