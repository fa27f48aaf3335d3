// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VantryApp.h"

#include "KeyboardShortcuts/ShortcutCenter.h"
#include "KeyboardShortcuts/backends/ShortcutPlatform.h"
#include "app/AppDelegate.h"
#include "app/DropDownWindow.h"
#include "app/ShelfScene.h"
#include "app/SingleInstance.h"
#include "app/StatusMenu.h"
#include "app/StatusNotifierActivations.h"
#include "app/TrayIcon.h"
#include "app/settings/SettingsWindow.h"
#include "app/settings/SettingsWindowController.h"
#include "platform/AppInfo.h"
#include "platform/Logging.h"
#include "platform/UserDefaults.h"
#include "platform/wayland/LayerPlacement.h"
#include "platform/wayland/LayerShell.h"
#include "shelf/ui/ShelfView.h"
#include "translations/AppTranslations.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QScopedValueRollback>
#include <QWidget>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace vantry {

namespace {
// How long a panel started with the session may take to appear.
constexpr auto trayGracePeriod = 5s;
// A tray click arriving this soon after the shelf closed because the icon was pressed
// is the click that closed it: it must not open the shelf again.
constexpr qint64 clickAfterHideMs = 400;
// A host's Activate call and its copy seen by the monitor arrive this close together.
constexpr auto activationPointAge = 500ms;

QByteArray toggleRequest()
{
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    return token.isEmpty() ? QByteArray("toggle") : "toggle " + token;
}

bool hasOption(int argc, char *argv[], const char *option)
{
    return std::any_of(
        argv + 1, argv + argc, [option](const char *a) { return !qstrcmp(a, option); });
}

QByteArray rectText(const QRect &r)
{
    return QByteArray::number(r.x()) + ',' + QByteArray::number(r.y()) + ','
        + QByteArray::number(r.width()) + ',' + QByteArray::number(r.height());
}
} // namespace

int VantryApp::main(int argc, char *argv[])
{
    // A launch with the session stays quiet: no shelf without a tray, no toggle of a running one.
    const auto launch
        = hasOption(argc, argv, "--background") ? Launch::background : Launch::interactive;
    const QByteArray request = launch == Launch::background ? QByteArray("ping") : toggleRequest();

    // A later launch only passes the toggle on, before it even opens a display connection.
    const QString socketPath = SingleInstance::defaultSocketPath();
    if (SingleInstance::send(socketPath, request))
        return 0;

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::setDesktopFileName(AppInfo::appId());
    installTranslations();

    SingleInstance instance(socketPath);
    if (!instance.listen()) {
        // Another instance started at the same moment and won.
        if (SingleInstance::send(socketPath, request))
            return 0;
        qCCritical(lcApp) << "Vantry seems to be running already but does not answer at"
                          << socketPath;
        return 1;
    }

    // Global shortcuts: the backend for this session (X11 grabs or the portal), the keyboard
    // layout for display, and the module's center, before any shortcut name is made.
    auto shortcuts = KeyboardShortcuts::ShortcutPlatform::create(
        QGuiApplication::platformName(), AppInfo::appId());
    KeyboardShortcuts::ShortcutCenter shortcutCenter(
        &UserDefaults::standard(), shortcuts.backend.get(), shortcuts.layout.get());

    VantryApp vantry(trayGracePeriod, launch);
    instance.setHandler(
        [&vantry](const QByteArray &request) { return vantry.handleRequest(request); });
    vantry.start();
    return QApplication::exec();
}

VantryApp::VantryApp(std::chrono::milliseconds trayGracePeriod, Launch launch, QObject *parent)
    : QObject(parent)
    , m_access(
          0, &m_isPresented, [this](MenuBarExtraAccess::StatusItem *item) { onStatusItem(item); })
    , m_trayHost(trayGracePeriod)
    , m_launch(launch)
{
    m_openSettings = [this] { openSettingsWindow(); };
    m_menuBarExtraItem.setIdentifier(AppInfo::infoValue(u"CFBundleDisplayName"));
    connect(&m_menuBarExtraItem, &MenuBarExtraAccess::StatusItem::clicked, this,
        &VantryApp::onStatusItemClicked);
    connect(&m_trayHost, &TrayHostWatcher::hostAvailable, this, &VantryApp::onTrayHostAvailable);
    connect(&m_trayHost, &TrayHostWatcher::noHostFound, this, &VantryApp::onNoTrayHost);
    connect(&m_isPresented, &MenuBarExtraAccess::PresentedFlag::changed, this,
        &VantryApp::onPresentedChanged);
}

VantryApp::~VantryApp() = default;

void VantryApp::start()
{
    m_trayHost.start();
    m_access.setupObservers();
}

void VantryApp::onStatusItem(MenuBarExtraAccess::StatusItem *item)
{
    m_statusItem = item;
    AppDelegate::shared().statusItemDidAppear(item);
}

void VantryApp::onTrayHostAvailable()
{
    if (m_trayIcon)
        return;
    m_trayIcon = std::make_unique<TrayIcon>(&m_menuBarExtraItem);
    connect(m_trayIcon.get(), &TrayIcon::triggered, this, &VantryApp::onTrayTriggered);
    m_trayIcon->show();
    // On X11 we place the shelf ourselves: where a StatusNotifierItem host was clicked.
    if (QGuiApplication::platformName() == u"xcb"_s) {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()
            && bus.interface()->isServiceRegistered(
                QLatin1StringView(TrayHostWatcher::watcherService))) {
            m_activations = std::make_unique<StatusNotifierActivations>();
            if (m_activations->start()) {
                connect(m_activations.get(), &StatusNotifierActivations::activated, this,
                    &VantryApp::onActivationPoint);
            } else {
                m_activations.reset();
            }
        }
    }
    // The icon is showing: the delegate gets the settings action, as each time the label appears.
    AppDelegate::shared().setOpenSettings(m_openSettings);
    qCDebug(lcApp) << "tray icon shown";
}

void VantryApp::onNoTrayHost()
{
    qCWarning(lcApp).noquote()
        << "No system tray found: run vantry again (for example from a keyboard shortcut) "
           "to show the shelf.";
    AppDelegate::shared().setOpenSettings(m_openSettings);
    // Without a tray nothing would show that Vantry started: show the shelf once, with its
    // gear menu as the way to the settings and to Quit. Not when another launch or the
    // shortcut has shown it already.
    if (m_launch == Launch::interactive && !m_dropDown)
        m_menuBarExtraItem.performClick();
}

void VantryApp::onPresentedChanged(bool presented)
{
    qCDebug(lcApp) << "presented" << presented;
    // Some trays take the focus when their icon is pressed, so the shelf closes on the press
    // and the click would open it again. Remember closings with the pointer on the icon (or
    // anywhere, when the tray does not say where the icon is).
    if (!presented && m_trayIcon && !m_inClick) {
        const QRect icon = m_trayIcon->geometry();
        if (!icon.isValid() || icon.contains(QCursor::pos()))
            m_closedFromIcon.start();
    }
}

void VantryApp::onTrayTriggered(bool doubleClick)
{
    // A double click opens the shelf (GNOME's AppIndicator extension activates on one): when
    // its first press opened the shelf already, the second must not close it again.
    if (doubleClick && m_dropDown && m_dropDown->isVisible()) {
        qCDebug(lcApp) << "tray double click (the shelf is open)";
        return;
    }
    const bool closedByThisClick = m_closedFromIcon.isValid()
        && !m_closedFromIcon.hasExpired(clickAfterHideMs) && m_dropDown && !m_dropDown->isVisible();
    m_closedFromIcon.invalidate();
    qCDebug(lcApp) << "tray click" << (closedByThisClick ? "(closed the shelf already)" : "");
    if (!closedByThisClick) {
        m_trayClick.start();
        m_menuBarExtraItem.performClick();
    }
}

void VantryApp::onActivationPoint(QPoint point)
{
    // The host's call reached the tray icon first: the shelf opened at the pointer. Move it.
    if (m_dropDown && m_dropDown->isVisible() && m_trayClick.isValid()
        && !m_trayClick.hasExpired(std::chrono::milliseconds(activationPointAge).count()))
        m_dropDown->present({ point, QSize(1, 1) });
}

void VantryApp::onStatusItemClicked()
{
    const QScopedValueRollback inClick(m_inClick, true);
    dropDown().toggle(clickAnchor());
}

void VantryApp::toggleShelf(const QByteArray &activationToken)
{
    // Qt's Wayland backend activates a window with the token found in the environment.
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    m_menuBarExtraItem.performClick();
}

QRect VantryApp::clickAnchor() const
{
    // StatusNotifierItem hosts report no geometry, but say where they were clicked; failing
    // that, the pointer is where the click was.
    if (m_trayIcon) {
        if (const QRect r = m_trayIcon->geometry(); r.isValid())
            return r;
    }
    if (m_activations) {
        if (const auto point = m_activations->recentPoint(activationPointAge))
            return { *point, QSize(1, 1) };
    }
    return { QCursor::pos(), QSize(1, 1) };
}

DropDownWindow &VantryApp::dropDown()
{
    if (!m_dropDown) {
        m_shelf = std::make_unique<ShelfScene>(m_openSettings);
        m_dropDown = std::make_unique<DropDownWindow>([this](QWidget *parent) {
            ShelfView *view = m_shelf->createView(parent);
            // The gear offers what the tray menu does: without a tray it is the only way to
            // these, and their key equivalents work while the shelf has the focus.
            AppDelegate &delegate = AppDelegate::shared();
            delegate.setOpenSettings(m_openSettings);
            auto *gearMenu = new QMenu(view);
            addStatusMenuEntries(*gearMenu, delegate);
            view->setSettingsMenu(gearMenu);
            for (QAction *action : delegate.statusActions())
                parent->addAction(action);
            return view;
        });
        // Where the compositor lets us, the shelf sits in the corner by the tray, above
        // other windows and out of the task manager.
        if (LayerShell *shell = LayerShell::instance()) {
            shell->manage(m_dropDown.get(),
                LayerPlacement::trayCorner(qEnvironmentVariable("XDG_CURRENT_DESKTOP")),
                LayerShell::Keyboard::onDemand);
        }
        m_menuBarExtraItem.setWindow(m_dropDown.get());
    }
    return *m_dropDown;
}

void VantryApp::openSettingsWindow()
{
    if (!m_settings) {
        m_settings = std::make_unique<SettingsWindowController>(UserDefaults::standard(),
            AppDelegate::openShelfWindow(), QIcon(u":/vantry/app.vantry.Vantry.svg"_s));
    }
    m_settings->open();
    if (QWidget *window = m_settings->window(); window && window != m_keyedSettingsWindow) {
        AppDelegate::shared().addKeyEquivalents(window);
        m_keyedSettingsWindow = window;
    }
}

QWidget *VantryApp::settingsWindow() const
{
    return m_settings ? m_settings->window() : nullptr;
}

QByteArray VantryApp::handleRequest(const QByteArray &request)
{
    const qsizetype space = request.indexOf(' ');
    const QByteArray command = space < 0 ? request : request.left(space);
    if (command == "ping")
        return "ok";
    if (command == "toggle") {
        toggleShelf(space < 0 ? QByteArray() : request.mid(space + 1));
        return "ok";
    }
    if (command == "status") {
        QByteArray s = "presented=" + QByteArray::number(int(isPresented()));
        s += " tray=" + QByteArray::number(int(m_trayIcon && m_trayIcon->isVisible()));
        if (m_trayIcon)
            s += " icon=" + rectText(m_trayIcon->geometry());
        s += " window=" + QByteArray::number(int(m_dropDown && m_dropDown->isVisible()));
        if (m_dropDown && m_dropDown->isVisible())
            s += " geometry=" + rectText(m_dropDown->frameGeometry());
        s += " items=" + QByteArray::number(m_shelf ? m_shelf->itemCount() : 0);
        s += " settings="
            + QByteArray::number(int(settingsWindow() && settingsWindow()->isVisible()));
        if (const auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()))
            s += " popup=" + QByteArray::number(menu->actions().size());
        return s;
    }
    return "unknown request";
}

} // namespace vantry
