// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

#include "KeyboardShortcuts/KeyboardShortcuts.h"
#include "KeyboardShortcuts/Name.h"
#include "KeyboardShortcuts/ShortcutCenter.h"
#include "MenuBarExtraAccess/StatusItem.h"
#include "app/StatusMenu.h"
#include "platform/Logging.h"
#include "shelf/SecurityScope.h"
#include "updates/AppUpdater.h"

#include <QCoreApplication>
#include <QMenu>

namespace vantry {

AppDelegate &AppDelegate::shared()
{
    // Parented to the application object, so it goes with it; the menus go earlier, at
    // aboutToQuit, while the widget machinery still stands.
    static QPointer<AppDelegate> instance;
    if (!instance)
        instance = new AppDelegate({}, QCoreApplication::instance());
    return *instance;
}

const KeyboardShortcuts::Name &AppDelegate::openShelfWindow()
{
    using namespace KeyboardShortcuts;
    static const Name name(QStringLiteral("openShelfWindow"),
        Shortcut(Key::s, ModifierFlags(CommandModifier) | ControlModifier));
    return name;
}

AppDelegate::AppDelegate(Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    if (!m_services.checkForUpdates) {
        m_appUpdater = std::make_unique<AppUpdater>();
        m_services.checkForUpdates = [this] { m_appUpdater->checkForUpdates(); };
    }
    if (!m_services.stopFolderAccess)
        m_services.stopFolderAccess = [] { SecurityScope::shared().stop(); };
    if (!m_services.quit)
        m_services.quit = [] { QCoreApplication::quit(); };
    if (auto *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { m_menus.clear(); });
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::setOpenSettings(std::function<void()> openSettings)
{
    m_openSettings = std::move(openSettings);
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

QMenu *AppDelegate::statusMenu(const MenuBarExtraAccess::StatusItem *item) const
{
    for (const auto &[owner, menu] : m_menus) {
        if (owner == item)
            return menu.get();
    }
    return nullptr;
}

std::array<QAction *, 3> AppDelegate::statusActions()
{
    if (!m_statusActions.front())
        m_statusActions = createStatusActions(*this, this);
    return m_statusActions;
}

void AppDelegate::openPreferences()
{
    if (m_openSettings)
        m_openSettings();
}

void AppDelegate::checkForUpdates()
{
    m_services.checkForUpdates();
}

void AppDelegate::terminate()
{
    m_services.stopFolderAccess();
    qCDebug(lcApp) << "Quit: folder access stopped";
    m_services.quit();
}

} // namespace vantry
