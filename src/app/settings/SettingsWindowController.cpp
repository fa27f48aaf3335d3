// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings/SettingsWindowController.h"

#include "app/settings/SettingsWindow.h"
#include "core/AppInfo.h"
#include "core/UserDefaults.h"

#include <QApplication>

namespace vantry {

SettingsWindowController::SettingsWindowController(
    UserDefaults &defaults, KeyboardShortcuts::Name openShelfWindow, QIcon icon, QObject *parent)
    : QObject(parent)
    , m_defaults(&defaults)
    , m_openShelfWindow(std::move(openShelfWindow))
    , m_icon(std::move(icon))
{ }

SettingsWindowController::~SettingsWindowController()
{
    delete m_window;
}

void SettingsWindowController::open()
{
    if (!m_window) {
        if (!m_defaults)
            return;
        QIcon icon = m_icon;
        if (icon.isNull())
            icon = QApplication::windowIcon();
        if (icon.isNull())
            icon = QIcon::fromTheme(AppInfo::appId());
        // No parent: a tray app has no main window, and this one lives until quit.
        m_window = new SettingsWindow(*m_defaults, m_openShelfWindow, icon);
    }
    if (m_window->isMinimized())
        m_window->showNormal();
    else
        m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace vantry
