// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace KeyboardShortcuts {
class Name;
}

namespace MenuBarExtraAccess {
class StatusItem;
}

namespace vantry {

class AppUpdater;

// Receives the status menu's actions and wires the status item once it exists.
// One instance, AppDelegate::shared(), created on first use and kept until the
// application object goes away.
class AppDelegate final : public QObject
{
    Q_OBJECT

public:
    /// What the status menu's actions drive, for a delegate without the update machinery.
    struct Services
    {
        /// The user-initiated update check.
        std::function<void()> checkForUpdates;
        /// Releases the folder grant.
        std::function<void()> stopFolderAccess;
        /// Ends the application's event loop.
        std::function<void()> quit;
    };

    static AppDelegate &shared();

    /// The global shortcut that shows or hides the shelf, default Ctrl+Super+S. Made on first
    /// use, which stores the default when nothing is stored yet.
    static const KeyboardShortcuts::Name &openShelfWindow();

    /// The application's delegate: owns appUpdater (already started); Quit releases the
    /// folder grant of SecurityScope::shared() and quits the application.
    AppDelegate(std::unique_ptr<AppUpdater> appUpdater, QObject *parent);
    /// A delegate whose actions call services (tests of the menu and the shortcut).
    explicit AppDelegate(Services services, QObject *parent = nullptr);
    ~AppDelegate() override;

    /// The action that opens or raises the settings window; empty until the tray icon is shown.
    const std::function<void()> &openSettings() const { return m_openSettings; }
    void setOpenSettings(std::function<void()> openSettings);
    /// The action that shows the shelf (the tray menu's "Show Shelf").
    void setShowShelf(std::function<void()> showShelf);

    /// The status item callback: attaches the status menu and the global shortcut. Takes effect
    /// once per status item, however often it runs.
    void statusItemDidAppear(MenuBarExtraAccess::StatusItem *item);

    /// Makes the status menu's keys (Ctrl+, for "Preferences…", Ctrl+Q for "Quit") work
    /// while window is the active window.
    void addKeyEquivalents(QWidget *window);

    /// "Preferences…", "Check for Updates…" and "Quit", made on first use and shared by every
    /// menu that offers them (the tray's and the shelf's gear).
    std::array<QAction *, 3> statusActions();

public Q_SLOTS:
    /// "Show Shelf": shows the shelf; nothing before the action is known.
    void showShelf();
    /// "Preferences…": opens the settings window; nothing before the action is known.
    void openPreferences();
    /// "Check for Updates…".
    void checkForUpdates();
    /// "Quit": releases the folder grant, then asks the application to quit.
    void terminate();

private:
    void installRightClickMonitor(MenuBarExtraAccess::StatusItem *item);
    /// Hook for the global shortcut openShelfWindow: its key-down action is to call
    /// item->performClick(), which shows or hides the shelf like a click on the icon.
    void installShelfShortcut(MenuBarExtraAccess::StatusItem *item);

    Services m_services;
    std::unique_ptr<AppUpdater> m_appUpdater;
    std::function<void()> m_openSettings;
    std::function<void()> m_showShelf;
    std::array<QAction *, 3> m_statusActions {};
    QList<QPointer<MenuBarExtraAccess::StatusItem>> m_wiredItems;
    std::vector<std::pair<QPointer<MenuBarExtraAccess::StatusItem>, std::unique_ptr<QMenu>>>
        m_menus;
};

} // namespace vantry
