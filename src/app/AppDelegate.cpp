// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

#include "app/StatusMenu.h"
#include "core/Logging.h"
#include "core/UserDefaults.h"
#include "platform/dbus/FreedesktopNotificationCenter.h"
#include "shelf/SecurityScope.h"
#include "shortcuts/KeyTable.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/Name.h"
#include "shortcuts/ShortcutCenter.h"
#include "tray/StatusItem.h"
#include "updates/AppUpdater.h"
#include "updates/SoftwareUpdater.h"
#include "updates/UpdaterController.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QWidget>

namespace vantry {

AppDelegate &AppDelegate::shared()
{
    // Parented to the application object, so it goes with it; the menus go earlier, at
    // aboutToQuit, while the widget machinery still stands.
    static QPointer<AppDelegate> instance;
    if (!instance)
        instance = new AppDelegate(
            std::make_unique<AppUpdater>(UpdateEnvironment::system(
                UserDefaults::standard(), std::make_unique<FreedesktopNotificationCenter>())),
            QCoreApplication::instance());
    return *instance;
}

const KeyboardShortcuts::Name &AppDelegate::openShelfWindow()
{
    using namespace KeyboardShortcuts;
    static const Name name(QStringLiteral("openShelfWindow"),
        Shortcut(namedKey("s"), ModifierFlags(CommandModifier) | ControlModifier));
    return name;
}

AppDelegate::AppDelegate(std::unique_ptr<AppUpdater> appUpdater, QObject *parent)
    : AppDelegate(
        Services { {}, [] { SecurityScope::shared().stop(); }, [] { QCoreApplication::quit(); } },
        parent)
{
    m_appUpdater = std::move(appUpdater);
}

AppDelegate::AppDelegate(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    if (auto *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { m_menus.clear(); });
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::setOpenSettings(std::function<void()> openSettings)
{
    m_openSettings = std::move(openSettings);
}

void AppDelegate::setShowShelf(std::function<void()> showShelf)
{
    m_showShelf = std::move(showShelf);
}

void AppDelegate::statusItemDidAppear(MenuBarExtraAccess::StatusItem *item)
{
    if (!item || m_wiredItems.contains(item))
        return;
    m_wiredItems.removeAll(nullptr);
    m_wiredItems.append(item);
    installRightClickMonitor(item);
    installShelfShortcut(item);
}

void AppDelegate::installRightClickMonitor(MenuBarExtraAccess::StatusItem *item)
{
    // Qt shows a tray icon's context menu on a right click by itself (and hands it to
    // StatusNotifierItem hosts up front), so the menu is attached once and stays.
    std::erase_if(m_menus, [](const auto &entry) { return !entry.first; });
    auto menu = createStatusMenu(*this);
    item->setMenu(menu.get());
    m_menus.emplace_back(item, std::move(menu));
}

void AppDelegate::installShelfShortcut(MenuBarExtraAccess::StatusItem *item)
{
    // Without a shortcut center (tests of the menu alone) there is nothing to attach to.
    if (!KeyboardShortcuts::ShortcutCenter::current())
        return;
    // The shortcut behaves like a click on the icon: it shows the shelf, or hides it.
    KeyboardShortcuts::onKeyDown(openShelfWindow(), item, [item] { item->performClick(); });
}

void AppDelegate::addKeyEquivalents(QWidget *window)
{
    // The menus' own actions: one shortcut each, never two that clash and so never fire.
    for (QAction *action : statusActions())
        window->addAction(action);
}

std::array<QAction *, 3> AppDelegate::statusActions()
{
    if (!m_statusActions.front())
        m_statusActions = createStatusActions(*this, this);
    return m_statusActions;
}

void AppDelegate::showShelf()
{
    if (m_showShelf)
        m_showShelf();
}

void AppDelegate::openPreferences()
{
    if (m_openSettings)
        m_openSettings();
}

void AppDelegate::checkForUpdates()
{
    if (m_appUpdater)
        m_appUpdater->updaterController().updater().checkForUpdates();
    else
        m_services.checkForUpdates();
}

void AppDelegate::terminate()
{
    m_services.stopFolderAccess();
    qCDebug(lcApp) << "Quit: folder access stopped";
    m_services.quit();
}

} // namespace vantry
