// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdaterController.h"

#include "platform/UserDefaults.h"
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
    if (!environment.presenter)
        environment.presenter = std::make_unique<MessageBoxUpdatePresenter>();
    if (!environment.urlOpener)
        environment.urlOpener = std::make_unique<DesktopUrlOpener>();
    if (!environment.immediateFocus)
        environment.immediateFocus = [] { return QApplication::activeWindow() != nullptr; };
    UserDefaults &defaults
        = environment.defaults ? *environment.defaults : UserDefaults::standard();

    m_userDriver = new StandardUserDriver(
        std::move(environment.presenter), std::move(environment.urlOpener), delegate, this);
    m_userDriver->setImmediateFocus(environment.immediateFocus);
    m_updater = new SoftwareUpdater(environment.options, defaults, *m_userDriver, delegate, this);
    if (environment.clock)
        m_updater->setClock(environment.clock);
    if (environment.parserPool)
        m_updater->setParserPool(environment.parserPool);
    if (startingUpdater)
        m_updater->start();
}

UpdaterController::~UpdaterController()
{
    // The updater refers to the user driver: it goes first.
    delete m_updater;
    delete m_userDriver;
}

void UpdaterController::checkForUpdates()
{
    m_updater->checkForUpdates();
}

} // namespace vantry
