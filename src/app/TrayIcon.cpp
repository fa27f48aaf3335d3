// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayIcon.h"

#include "MenuBarExtraAccess/StatusItem.h"
#include "platform/AppInfo.h"

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

namespace vantry {

TrayIcon::TrayIcon(MenuBarExtraAccess::StatusItem *item, QObject *parent)
    : QObject(parent)
    , m_item(item)
    , m_tray(new QSystemTrayIcon(logo(), this))
{
    m_tray->setToolTip(AppInfo::displayName());
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        // Every press is a click, as on a status item: X11 trays report the second press of a
        // quick pair as a double click, and that one must close (or reopen) the shelf too.
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
            Q_EMIT triggered();
    });
    connect(item, &MenuBarExtraAccess::StatusItem::menuChanged, this, &TrayIcon::onMenuChanged);
    onMenuChanged();
}

TrayIcon::~TrayIcon() = default;

QIcon TrayIcon::logo()
{
    QIcon icon(u":/vantry/icons/logo.svg"_s);
    icon.setIsMask(true);
    return icon;
}

void TrayIcon::show()
{
    m_tray->show();
}

bool TrayIcon::isVisible() const
{
    return m_tray->isVisible();
}

QRect TrayIcon::geometry() const
{
    return m_tray->geometry();
}

void TrayIcon::onMenuChanged()
{
    m_tray->setContextMenu(m_item ? m_item->menu() : nullptr);
}

} // namespace vantry
