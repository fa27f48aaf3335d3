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
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

namespace vantry {

TrayIcon::TrayIcon(MenuBarExtraAccess::StatusItem *item, QObject *parent)
    : QObject(parent)
    , m_item(item)
    , m_traySelection(new X11TraySelection(this))
    , m_tone(TrayIconArt::toneFor(
          m_traySelection->foregroundColor(), std::nullopt, QGuiApplication::palette()))
    , m_tray(new QSystemTrayIcon(TrayIconArt::icon(m_tone), this))
    , m_embedWatch(new QTimer(this))
{
    m_embedWatch->setInterval(200);
    connect(m_embedWatch, &QTimer::timeout, this, &TrayIcon::onEmbedWatch);
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
    // An XEmbed tray takes the icon in a moment later; only then can its background be read.
    if (m_traySelection->isAvailable()) {
        m_embedChecks = 0;
        m_embedWatch->start();
    }
}

void TrayIcon::onEmbedWatch()
{
    constexpr int maxChecks = 25; // 5 s; a StatusNotifierItem host never reports a place
    if (geometry().isValid()) {
        m_embedWatch->stop();
        updateTone();
    } else if (++m_embedChecks >= maxChecks) {
        m_embedWatch->stop();
    }
}

std::optional<QColor> TrayIcon::trayBackground() const
{
    const QRect slot = geometry();
    const QScreen *screen = slot.isValid() ? QGuiApplication::screenAt(slot.center()) : nullptr;
    if (!screen)
        return std::nullopt;
    const qreal dpr = screen->devicePixelRatio();
    return m_traySelection->backgroundAround(
        QRect((QPointF(slot.topLeft()) * dpr).toPoint(), (QSizeF(slot.size()) * dpr).toSize()));
}

bool TrayIcon::isVisible() const
{
    return m_tray->isVisible();
}

QRect TrayIcon::geometry() const
{
    return awaitsPlace() ? QRect() : m_tray->geometry();
}

bool TrayIcon::awaitsPlace() const
{
    // Until an X11 tray takes the icon's window in, the window sits at the screen's origin.
    const QRect r = m_tray->geometry();
    return r.isValid() && r.topLeft().isNull();
}

bool TrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == QGuiApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
        updateTone();
    return QObject::eventFilter(watched, event);
}

void TrayIcon::updateTone()
{
    const std::optional<QColor> foreground = m_traySelection->foregroundColor();
    const TrayIconArt::Tone tone = TrayIconArt::toneFor(
        foreground, foreground ? std::nullopt : trayBackground(), QGuiApplication::palette());
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
