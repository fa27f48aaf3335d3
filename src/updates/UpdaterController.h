// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/UpdateEnvironment.h"

#include <QObject>

#include <memory>

namespace vantry {

class SoftwareUpdater;
class SoftwareUpdaterDelegate;
class StandardUserDriver;

// Puts the updater and its user driver together. With startingUpdater the
// updater starts at once and runs its scheduled checks.
class UpdaterController final : public QObject
{
    Q_OBJECT

public:
    /// delegate (not owned, may be null) serves both the updater and the user
    /// driver. The environment's empty members are filled with the real services;
    /// its notification center is not used here.
    UpdaterController(bool startingUpdater, SoftwareUpdaterDelegate *delegate,
        UpdateEnvironment &environment, QObject *parent = nullptr);
    ~UpdaterController() override;

    SoftwareUpdater &updater() const { return *m_updater; }
    StandardUserDriver &userDriver() const { return *m_userDriver; }

private:
    StandardUserDriver *m_userDriver;
    SoftwareUpdater *m_updater;
};

} // namespace vantry
