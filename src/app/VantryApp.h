// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/TrayClickPoints.h"
#include "platform/dbus/TrayHostWatcher.h"
#include "tray/MenuBarExtraAccess.h"
#include "tray/PresentedFlag.h"
#include "tray/StatusItem.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QWidget;

namespace vantry {

class DropDownWindow;
struct Request;
class SettingsWindowController;
class ShelfScene;
class StatusNotifierActivations;
class TrayIcon;

// The application: a tray icon (once a tray host runs) whose left click drops
// down the shelf window, and the settings window. No main window. The shelf,
// its window and the settings window are built when first needed.
class VantryApp final : public QObject
{
    Q_OBJECT

public:
    /// The process entry: reads the command line, passes its request to a running instance
    /// or runs the application.
    static int main(int argc, char *argv[]);

    /// The request words a running instance acknowledges before acting on them.
    static QList<QByteArray> commandWords();

    /// How a launch starts: shown or quiet when no tray appears.
    enum class Launch {
        /// Shows the shelf at once when no tray runs, so a user without one sees something.
        interactive,
        /// Started with the session (`--background`): stays quiet without a tray.
        background,
    };

    /// trayGracePeriod: how long a background launch waits for a tray to appear.
    explicit VantryApp(std::chrono::milliseconds trayGracePeriod,
        Launch launch = Launch::interactive, QObject *parent = nullptr);
    ~VantryApp() override;

    /// Waits for a tray host and wires the status item. Returns at once.
    void start();

    /// What lets a window shown for another launch take the focus: its Wayland activation
    /// token and its X11 startup id.
    struct Activation
    {
        QByteArray token;
        QByteArray startupId;
    };

    /// Shows or hides the shelf as a click on the icon does (second launch, shortcut).
    void toggleShelf(const Activation &activation = {});
    /// Shows the shelf, or activates it again when it is shown.
    void showShelf(const Activation &activation = {});
    void hideShelf();
    /// Opens the settings window, or raises it when it is open.
    void openSettingsWindow();
    /// The same for another launch, with its activation.
    void openSettingsWindow(const Activation &activation);
    /// Ends the launcher's startup feedback when this launch shows nothing.
    void endStartup(const Activation &activation) { completeActivation(activation); }

    /// Answers a request from another launch (see SingleInstance).
    QByteArray handleRequest(const QByteArray &request);

    bool isPresented() const { return m_isPresented.value(); }
    MenuBarExtraAccess::StatusItem *statusItem() const { return m_statusItem; }
    TrayHostWatcher &trayHost() { return m_trayHost; }

private:
    void onStatusItem(MenuBarExtraAccess::StatusItem *item);
    void onTrayHostAvailable();
    void onNoTrayHost();
    void onTrayTriggered(bool doubleClick);
    void onPresentedChanged(bool presented);
    void onStatusItemClicked();
    void onActivationPoint(QPoint point);
    static std::chrono::milliseconds now(); // for tray clicks and their points
    DropDownWindow &dropDown();
    QRect clickAnchor() const;
    /// The settings window once it has been opened; null before.
    QWidget *settingsWindow() const;
    /// Hands the activation to the windowing system for the next window shown.
    void prepareActivation(const Activation &activation);
    /// Ends the launcher's startup feedback when nothing was shown for it.
    void completeActivation(const Activation &activation);

    // The application description.
    std::function<void()> m_openSettings;
    MenuBarExtraAccess::PresentedFlag m_isPresented;
    QPointer<MenuBarExtraAccess::StatusItem> m_statusItem;

    MenuBarExtraAccess::StatusItem m_menuBarExtraItem;
    MenuBarExtraAccess::MenuBarExtraAccess m_access;
    TrayHostWatcher m_trayHost;
    std::unique_ptr<TrayIcon> m_trayIcon;
    std::unique_ptr<StatusNotifierActivations> m_activations;
    TrayClickPoints m_clickPoints;
    QTimer m_pointWait; // a tray click waiting for its point
    QDeadlineTimer m_iconPlaceWait;
    // The shelf outlives its window: the window's content refers to it.
    std::unique_ptr<ShelfScene> m_shelf;
    std::unique_ptr<DropDownWindow> m_dropDown;
    std::unique_ptr<SettingsWindowController> m_settings;
    QPointer<QWidget> m_keyedSettingsWindow; // has the status menu's keys
    QElapsedTimer m_closedFromIcon;
    Launch m_launch;
    bool m_inClick = false;
};

} // namespace vantry
