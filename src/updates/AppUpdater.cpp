// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/AppUpdater.h"

#include "updates/NotificationBridge.h"
#include "updates/SoftwareUpdater.h"
#include "updates/StandardUserDriver.h"
#include "updates/UpdaterController.h"
#include "updates/UpdaterDelegate.h"

namespace vantry {

AppUpdater::AppUpdater(UpdateEnvironment environment, QObject *parent)
    : QObject(parent)
{
    // The order matters: the notifier exists before anything can post, and the
    // updater starts last, when its delegate is in place.
    Q_ASSERT(environment.notificationCenter);
    m_notifier = std::make_unique<NotificationBridge>(std::move(environment.notificationCenter));
    m_delegate = std::make_unique<UpdaterDelegate>(*m_notifier);
    m_updaterController = std::make_unique<UpdaterController>(true, m_delegate.get(), environment);
    m_delegate->updaterController = m_updaterController.get();
}

AppUpdater::~AppUpdater()
{
    // The controller calls into the delegate, which calls into the notifier.
    m_updaterController.reset();
    m_delegate.reset();
    m_notifier.reset();
}

} // namespace vantry
