// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdaterController.h"

#include "core/UserDefaults.h"
#include "updates/DesktopUrlOpener.h"
#include "updates/MessageBoxUpdatePresenter.h"
#include "updates/SoftwareUpdater.h"
#include "updates/StandardUserDriver.h"

#include <QApplication>

namespace vantry {

UpdaterController::UpdaterController(bool startingUpdater, SoftwareUpdaterDelegate *delegate,
    UpdateEnvironment &environment, QObject *parent)
    : QObject(parent)
{
    Q_ASSERT(environment.presenter && environment.urlOpener && environment.defaults);
    UserDefaults &defaults = *environment.defaults;

    m_userDriver = new StandardUserDriver(
        std::move(environment.presenter), std::move(environment.urlOpener), delegate, this);
    m_userDriver->setImmediateFocus(environment.immediateFocus);
    m_updater = new SoftwareUpdater(environment.options, defaults, *m_userDriver, delegate, this);
    if (environment.clock)
        m_updater->setClock(environment.clock);
    if (startingUpdater)
        m_updater->start();
}

UpdateEnvironment UpdateEnvironment::system(
    UserDefaults &defaults, std::unique_ptr<NotificationCenter> notifications)
{
    UpdateEnvironment environment;
    environment.defaults = &defaults;
    environment.presenter = std::make_unique<MessageBoxUpdatePresenter>();
    environment.urlOpener = std::make_unique<DesktopUrlOpener>();
    environment.notificationCenter = std::move(notifications);
    environment.immediateFocus = [] { return QApplication::activeWindow() != nullptr; };
    return environment;
}

UpdaterController::~UpdaterController()
{
    // The updater refers to the user driver: it goes first.
    delete m_updater;
    delete m_userDriver;
}

} // namespace vantry
