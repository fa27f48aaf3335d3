// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayIcon.h"

#include "core/AppInfo.h"
#include "core/Logging.h"
#include "platform/x11/X11TraySelection.h"
#include "tray/StatusItem.h"

#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

namespace vantry {

TrayIcon::TrayIcon(MenuBarExtraAccess::StatusItem *item, QObject *parent)
    : QObject(parent)
    , m_item(item)
    , m_traySelection(new X11TraySelection(this))
    , m_tone(TrayIconArt::toneFor(m_traySelection->foregroundColor(), QGuiApplication::palette()))
    , m_tray(new QSystemTrayIcon(TrayIconArt::icon(m_tone), this))
{
    m_tray->setToolTip(AppInfo::displayName());
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        // X11 trays report the second press of a quick pair as a double click, after the
        // first one's Trigger.
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
            Q_EMIT triggered(r == QSystemTrayIcon::DoubleClick);
    });
    connect(item, &MenuBarExtraAccess::StatusItem::menuChanged, this, &TrayIcon::onMenuChanged);
    onMenuChanged();
    connect(m_traySelection, &X11TraySelection::colorsChanged, this, &TrayIcon::updateTone);
    m_traySelection->watchColors();
    // The palette decides when the tray names no colours; a theme switch changes it.
    QGuiApplication::instance()->installEventFilter(this);
    qCDebug(lcApp) << "tray icon" << m_tray->icon().name() << "tone"
                   << (m_tone == TrayIconArt::Tone::light ? "light" : "dark");
}

TrayIcon::~TrayIcon() = default;

QIcon TrayIcon::icon() const
{
    return m_tray->icon();
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

bool TrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == QGuiApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
        updateTone();
    return QObject::eventFilter(watched, event);
}

void TrayIcon::updateTone()
{
    const TrayIconArt::Tone tone
        = TrayIconArt::toneFor(m_traySelection->foregroundColor(), QGuiApplication::palette());
    if (tone == m_tone)
        return;
    m_tone = tone;
    m_tray->setIcon(TrayIconArt::icon(tone));
    qCDebug(lcApp) << "tray icon tone" << (tone == TrayIconArt::Tone::light ? "light" : "dark");
    Q_EMIT toneChanged();
}

void TrayIcon::onMenuChanged()
{
    m_tray->setContextMenu(m_item ? m_item->menu() : nullptr);
}

} // namespace vantry
