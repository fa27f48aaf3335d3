// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VantryApp.h"

#include "autostart/LaunchAtLogin.h"
#include "platform/dbus/BackgroundPortalService.h"
#include "platform/dbus/FreedesktopNotificationCenter.h"

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/DropDownWindow.h"
#include "app/ShelfScene.h"
#include "app/SingleInstance.h"
#include "app/StatusMenu.h"
#include "app/TrayIcon.h"
#include "app/settings/SettingsWindow.h"
#include "app/settings/SettingsWindowController.h"
#include "core/AppInfo.h"
#include "core/Logging.h"
#include "core/UserDefaults.h"
#include "platform/dbus/StatusNotifierActivations.h"
#include "platform/wayland/LayerPlacement.h"
#include "platform/wayland/LayerShell.h"
#include "platform/x11/X11DragData.h"
#include "platform/x11/X11StartupNotification.h"
#include "shelf/ui/ShelfView.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/ShortcutCenter.h"
#include "shortcuts/backends/ShortcutPlatform.h"
#include "translations/AppTranslations.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <optional>

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
// How long a tray click waits for the host's Activate point at most.
constexpr auto activationPointWait = 150ms;
// How long a show waits for an X11 tray to take the new icon in and give it its place.
constexpr auto iconPlaceWait = 2s;
constexpr auto iconPlacePoll = 50ms;

QByteArray rectText(const QRect &r)
{
    return QByteArray::number(r.x()) + ',' + QByteArray::number(r.y()) + ','
        + QByteArray::number(r.width()) + ',' + QByteArray::number(r.height());
}
} // namespace

namespace {
// How long a launch waits for the running instance to take its request.
constexpr int answerTimeoutMs = 3000;

// Passes a launch's request to the running instance. Returns the exit status when that
// settles the launch, nothing when no instance answers at socketPath. Sends at most once: a
// request that went out unanswered may still be acted on, so it is never repeated.
std::optional<int> passOn(const QString &socketPath, const QByteArray &request)
{
    const SingleInstance::Reply reply = SingleInstance::send(socketPath, request, answerTimeoutMs);
    switch (reply.outcome) {
    case SingleInstance::Outcome::answered:
        return 0;
    case SingleInstance::Outcome::noAnswer:
        qCCritical(lcApp).nospace()
            << "Vantry is running but did not answer within " << answerTimeoutMs / 1000
            << " seconds; it acts on the request when it is free.";
        return 1;
    case SingleInstance::Outcome::foreignOwner:
        qCWarning(lcApp) << "The socket at" << socketPath << "belongs to another user";
        break;
    case SingleInstance::Outcome::noInstance:
        break;
    }
    return std::nullopt;
}

// Whether Qt runs on XWayland inside a Wayland session: there the X server knows the
// pointer only over X windows.
bool underXWayland()
{
    return QGuiApplication::platformName() == u"xcb"
        && qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// GNOME's compositor lets no Wayland client place its window or keep a popup beside it,
// and offers no layer shell: the shelf could neither open by the tray icon nor show its
// preview. Its X windows go where they ask to, so there Qt runs on XWayland, unless the
// user chose a platform.
bool prefersXWayland()
{
    const auto desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    return desktops.contains(u"GNOME"_s, Qt::CaseInsensitive)
        && qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && qEnvironmentVariableIsSet("DISPLAY")
        && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

// Where a desktop's tray sits, as a point just outside the work area's corner.
QRect trayCornerAnchor(const QRect &area)
{
    const Qt::Corner corner
        = LayerPlacement::trayCorner(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    const bool right = corner == Qt::TopRightCorner || corner == Qt::BottomRightCorner;
    const bool bottom = corner == Qt::BottomLeftCorner || corner == Qt::BottomRightCorner;
    return { QPoint(
                 right ? area.right() : area.left(), bottom ? area.bottom() + 1 : area.top() - 1),
        QSize(1, 1) };
}
} // namespace

int VantryApp::main(int argc, char *argv[])
{
    // The default socket, then the fallback folder's: an instance listens on the first it
    // can make, so a launch looks at each in turn.
    const QStringList socketPaths = SingleInstance::socketPaths();
    CommandLine::Action action = CommandLine::Action::startOrToggle;
    bool background = false;
    bool starts = true;
    QByteArray request;
    {
        // Options, help and requests for a running instance need no display connection.
        QCoreApplication core(argc, argv);
        installTranslations();
        CommandLine commandLine;
        switch (commandLine.parse(QCoreApplication::arguments())) {
        case CommandLine::Result::help:
            std::fputs(qPrintable(commandLine.helpText()), stdout);
            return 0;
        case CommandLine::Result::version:
            std::printf("%s\n", qPrintable(CommandLine::versionText()));
            return 0;
        case CommandLine::Result::error:
            std::fprintf(stderr, "vantry: %s\n\n%s", qPrintable(commandLine.errorText()),
                qPrintable(commandLine.helpText()));
            return 2;
        case CommandLine::Result::run:
            break;
        }
        action = commandLine.action();
        background = commandLine.background();
        starts = commandLine.startsInstance();
        request
            = commandLine.request(qgetenv("XDG_ACTIVATION_TOKEN"), qgetenv("DESKTOP_STARTUP_ID"));
        if (socketPaths.isEmpty()) {
            qCWarning(lcApp) << "No private folder for the single-instance socket; "
                                "other launches cannot reach this one.";
            if (!starts)
                return 1;
        }
        for (const QString &socketPath : socketPaths) {
            if (const std::optional<int> status = passOn(socketPath, request))
                return *status;
        }
        if (!starts && !socketPaths.isEmpty())
            return 0; // nothing runs: nothing to hide or quit
    }

    // The launcher's startup id and activation token are this launch's to use when it shows
    // something, and to end otherwise; Qt would keep them for whatever window comes first.
    const Activation launch { qgetenv("XDG_ACTIVATION_TOKEN"), qgetenv("DESKTOP_STARTUP_ID") };
    qunsetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("DESKTOP_STARTUP_ID");

    // Only this process: programs it opens files with choose for themselves.
    const bool xwayland = prefersXWayland();
    if (xwayland)
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    if (xwayland)
        qunsetenv("QT_QPA_PLATFORM");
    X11DragData::install();
    QApplication::setQuitOnLastWindowClosed(false);
    // Wayland compositors find the icon through the desktop entry; X11 window managers,
    // task bars and Alt+Tab read the windows' own icon.
    QGuiApplication::setDesktopFileName(AppInfo::appId());
    QGuiApplication::setWindowIcon(QIcon(u":/vantry/app.vantry.Vantry.svg"_s));
    installTranslations();

    std::unique_ptr<SingleInstance> instance;
    for (const QString &socketPath : socketPaths) {
        auto candidate = std::make_unique<SingleInstance>(socketPath);
        candidate->setAcknowledgedAtOnce(commandWords());
        switch (candidate->listen()) {
        case SingleInstance::Listen::listening:
            instance = std::move(candidate);
            break;
        case SingleInstance::Listen::otherInstance:
            // Another instance started at the same moment and won; nothing reached it yet.
            if (const std::optional<int> status = passOn(socketPath, request))
                return *status;
            qCCritical(lcApp) << "Vantry seems to be running already but does not answer at"
                              << socketPath;
            return 1;
        case SingleInstance::Listen::failed:
            continue;
        }
        break;
    }
    if (!instance && !socketPaths.isEmpty()) {
        // Running unreachable would let every later launch start another copy.
        qCCritical(lcApp).noquote() << "Vantry cannot start: no single-instance socket can be "
                                       "made at"
                                    << socketPaths.join(u" or "_s);
        return 1;
    }

    // Inside Flatpak the host's autostart folder is out of reach; the portal writes it for us.
    if (QFileInfo::exists(u"/.flatpak-info"_s))
        LaunchAtLogin::setLoginItemService(
            std::make_unique<LaunchAtLogin::BackgroundPortalService>());

    // Global shortcuts: the backend for this session (X11 grabs or the portal), the keyboard
    // layout for display, and the module's center, before any shortcut name is made.
    auto shortcuts = KeyboardShortcuts::ShortcutPlatform::create(
        QGuiApplication::platformName(), AppInfo::appId());
    KeyboardShortcuts::ShortcutCenter shortcutCenter(
        &UserDefaults::standard(), shortcuts.backend.get(), shortcuts.layout.get());
    // A shortcut put into the desktop's own settings is news to the user: said once, as
    // it happens, with where to change it.
    FreedesktopNotificationCenter shortcutNotices;
    QObject::connect(shortcuts.backend.get(), &KeyboardShortcuts::HotKeyBackend::filedInDesktop,
        &shortcutNotices, [&shortcutNotices, backend = shortcuts.backend.get()] {
            const auto shortcut = KeyboardShortcuts::getShortcut(AppDelegate::openShelfWindow());
            if (!shortcut)
                return;
            shortcutNotices.add({ u"desktop-shortcut"_s, tr("Keyboard shortcut added"),
                tr("%1 shows or hides the shelf. Vantry added it to the desktop’s keyboard "
                   "shortcuts; change it in %2.")
                    .arg(shortcut->displayText(), backend->desktopSettingsPlace()) });
        });

    VantryApp vantry(trayGracePeriod, background ? Launch::background : Launch::interactive);
    if (instance)
        instance->setHandler(
            [&vantry](const QByteArray &request) { return vantry.handleRequest(request); });
    vantry.start();
    // What this launch was asked for, once the event loop runs.
    QTimer::singleShot(0, &vantry, [&vantry, action, launch] {
        switch (action) {
        case CommandLine::Action::show:
        case CommandLine::Action::toggle:
            vantry.showShelf(launch);
            break;
        case CommandLine::Action::preferences:
            vantry.openSettingsWindow(launch);
            break;
        case CommandLine::Action::startOrToggle:
            // A shelf shown for want of a tray takes this launch's focus.
            if (vantry.isPresented()) {
                vantry.showShelf(launch);
                break;
            }
            [[fallthrough]];
        case CommandLine::Action::hide:
        case CommandLine::Action::quit:
            vantry.endStartup(launch);
            break;
        }
    });
    return QApplication::exec();
}

QList<QByteArray> VantryApp::commandWords()
{
    return { "toggle", "show", "hide", "preferences", "quit", "ping" };
}

VantryApp::VantryApp(std::chrono::milliseconds trayGracePeriod, Launch launch, QObject *parent)
    : QObject(parent)
    , m_access(
          0, &m_isPresented, [this](MenuBarExtraAccess::StatusItem *item) { onStatusItem(item); })
    // A launch by hand with no tray running shows the shelf at once; one with the session
    // waits, as the panel may start after it.
    , m_trayHost(launch == Launch::interactive ? 0ms : trayGracePeriod)
    , m_clickPoints(activationPointAge)
    , m_launch(launch)
{
    m_openSettings = [this] { openSettingsWindow(); };
    m_menuBarExtraItem.setIdentifier(AppInfo::displayName());
    connect(&m_menuBarExtraItem, &MenuBarExtraAccess::StatusItem::clicked, this,
        &VantryApp::onStatusItemClicked);
    connect(&m_trayHost, &TrayHostWatcher::hostAvailable, this, &VantryApp::onTrayHostAvailable);
    connect(&m_trayHost, &TrayHostWatcher::noHostFound, this, &VantryApp::onNoTrayHost);
    connect(&m_isPresented, &MenuBarExtraAccess::PresentedFlag::changed, this,
        &VantryApp::onPresentedChanged);
    m_pointWait.setSingleShot(true);
    m_pointWait.setInterval(activationPointWait);
    connect(&m_pointWait, &QTimer::timeout, &m_menuBarExtraItem,
        &MenuBarExtraAccess::StatusItem::performClick);
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
    AppDelegate::shared().setShowShelf([this] { showShelf({}); });
    AppDelegate::shared().statusItemDidAppear(item);
}

void VantryApp::onTrayHostAvailable()
{
    if (m_trayIcon)
        return;
    m_trayIcon = std::make_unique<TrayIcon>(&m_menuBarExtraItem);
    connect(m_trayIcon.get(), &TrayIcon::triggered, this, &VantryApp::onTrayTriggered);
    m_trayIcon->show();
    m_iconPlaceWait.setRemainingTime(iconPlaceWait);
    // The shelf goes where a StatusNotifierItem host was clicked: on X11, and on Wayland
    // where a layer shell lets us place it.
    if (StatusNotifierActivations::hostRuns()) {
        m_activations = std::make_unique<StatusNotifierActivations>();
        if (m_activations->start()) {
            connect(m_activations.get(), &StatusNotifierActivations::activated, this,
                &VantryApp::onActivationPoint);
        } else {
            m_activations.reset();
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
    // gear menu as the way to the settings and to Quit.
    if (m_launch == Launch::interactive)
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
        // The host's Activate reaches the monitor on a connection of its own, often just
        // after the icon's: a shelf about to open waits a moment for the point, rather than
        // open elsewhere and jump.
        const bool pointCame = m_clickPoints.click(now());
        if (m_activations && !pointCame && !(m_dropDown && m_dropDown->isVisible())) {
            m_pointWait.start();
            return;
        }
        m_menuBarExtraItem.performClick();
    }
}

void VantryApp::onActivationPoint(QPoint point)
{
    if (!m_clickPoints.point(point, now()))
        return;
    if (m_pointWait.isActive()) {
        m_pointWait.stop();
        m_menuBarExtraItem.performClick();
    } else if (m_dropDown && m_dropDown->isVisible()) {
        // The wait ran out and the shelf opened elsewhere: move it to the point.
        m_dropDown->present({ point, QSize(1, 1) });
    }
}

std::chrono::milliseconds VantryApp::now()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void VantryApp::onStatusItemClicked()
{
    const QScopedValueRollback inClick(m_inClick, true);
    dropDown().toggle(clickAnchor());
}

void VantryApp::toggleShelf(const Activation &activation)
{
    const bool showing = !(m_dropDown && m_dropDown->isVisible());
    if (showing)
        prepareActivation(activation);
    m_menuBarExtraItem.performClick();
    completeActivation(activation);
}

void VantryApp::showShelf(const Activation &activation)
{
    // Just after start the tray may not have taken the icon in yet: wait a little for its
    // place rather than dropping down from the screen's origin.
    if (!(m_dropDown && m_dropDown->isVisible()) && m_trayIcon && m_trayIcon->awaitsPlace()
        && !m_iconPlaceWait.hasExpired()) {
        QTimer::singleShot(iconPlacePoll, this, [this, activation] { showShelf(activation); });
        return;
    }
    prepareActivation(activation);
    if (m_dropDown && m_dropDown->isVisible()) {
        m_dropDown->raise();
        m_dropDown->activateWindow();
    } else {
        m_menuBarExtraItem.performClick();
    }
    completeActivation(activation);
}

void VantryApp::hideShelf()
{
    if (m_dropDown && m_dropDown->isVisible())
        m_menuBarExtraItem.performClick();
}

void VantryApp::prepareActivation(const Activation &activation)
{
    // Qt's Wayland backend activates a window with the token found in the environment.
    if (!activation.token.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activation.token);
    if (!activation.startupId.isEmpty() && QGuiApplication::platformName() == u"xcb") {
        DropDownWindow &window = dropDown();
        window.winId();
        X11StartupNotification::setStartupId(window.windowHandle(), activation.startupId);
    }
}

void VantryApp::completeActivation(const Activation &activation)
{
    if (activation.startupId.isEmpty() || QGuiApplication::platformName() != u"xcb")
        return;
    if (m_dropDown) {
        m_dropDown->winId();
        X11StartupNotification::complete(m_dropDown->windowHandle(), activation.startupId);
        return;
    }
    // Any window of ours may say so; the shelf's own is made when it is first shown.
    QWindow sender;
    sender.create();
    X11StartupNotification::complete(&sender, activation.startupId);
}

QRect VantryApp::clickAnchor() const
{
    // StatusNotifierItem hosts report no geometry, but say where they were clicked; failing
    // that, the pointer is where the click was.
    if (m_trayIcon) {
        if (const QRect r = m_trayIcon->geometry(); r.isValid())
            return r;
        const QScreen *screen = QGuiApplication::primaryScreen();
        if (m_trayIcon->awaitsPlace() && screen)
            return trayCornerAnchor(screen->availableGeometry());
    }
    if (m_activations) {
        if (const auto point = m_clickPoints.clickPoint(now()))
            return { *point, QSize(1, 1) };
    }
    // Under Wayland the pointer's position is known only over our own windows.
    if (QGuiApplication::platformName().startsWith(u"wayland"_s))
        return {};
    // Under XWayland the pointer is unknown when the click was on the compositor's own
    // panel: the shelf goes to the corner the desktop keeps its tray in.
    if (underXWayland()) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            return trayCornerAnchor(screen->availableGeometry());
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

void VantryApp::openSettingsWindow(const Activation &activation)
{
    // The settings window is made on demand, so only the Wayland token can go ahead of it.
    prepareActivation({ activation.token, {} });
    openSettingsWindow();
    completeActivation(activation);
}

QWidget *VantryApp::settingsWindow() const
{
    return m_settings ? m_settings->window() : nullptr;
}

QByteArray VantryApp::handleRequest(const QByteArray &line)
{
    const Request request = Request::parse(line);
    const QByteArray &command = request.command;
    const Activation activation { request.activationToken, request.startupId };
    if (command != "status")
        qCDebug(lcApp) << "request" << command;
    if (command == "toggle") {
        toggleShelf(activation);
        return "ok";
    }
    if (command == "show") {
        showShelf(activation);
        return "ok";
    }
    if (command == "hide") {
        hideShelf();
        return "ok";
    }
    if (command == "preferences") {
        openSettingsWindow(activation);
        return "ok";
    }
    if (command == "quit") {
        AppDelegate::shared().terminate();
        return "ok";
    }
    if (command == "ping")
        return "ok";
    if (command == "status") {
        QByteArray s = "presented=" + QByteArray::number(int(isPresented()));
        s += " tray=" + QByteArray::number(int(m_trayIcon && m_trayIcon->isVisible()));
        if (m_trayIcon)
            s += " icon=" + rectText(m_trayIcon->geometry());
        s += " window=" + QByteArray::number(int(m_dropDown && m_dropDown->isVisible()));
        // Whether the shelf has the keyboard as far as Qt knows.
        s += " active=" + QByteArray::number(int(m_dropDown && m_dropDown->isActiveWindow()));
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
