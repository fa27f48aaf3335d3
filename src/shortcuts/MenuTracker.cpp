// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/MenuTracker.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>

namespace KeyboardShortcuts {

MenuTracker::MenuTracker(std::function<void(bool)> onChange, QObject *parent)
    : QObject(parent)
    , m_onChange(std::move(onChange))
{
    QCoreApplication::instance()->installEventFilter(this);
}

MenuTracker::~MenuTracker()
{
    if (auto *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool MenuTracker::eventFilter(QObject *watched, QEvent *event)
{
    // Show and Hide reach a menu only when it really appears as a popup of
    // ours; a tray menu exported over D-Bus is drawn by the panel and grabs nothing.
    const QEvent::Type type = event->type();
    if (type == QEvent::Show || type == QEvent::Hide) {
        const auto *menu = qobject_cast<QMenu *>(watched);
        if (menu && menu->windowType() == Qt::Popup)
            setOpen(watched, type == QEvent::Show);
    }
    return false;
}

void MenuTracker::setOpen(QObject *menu, bool open)
{
    const bool wasOpen = isMenuOpen();
    if (open && !m_openMenus.contains(menu)) {
        m_openMenus.insert(menu);
        // A menu deleted while shown sends no Hide.
        connect(menu, &QObject::destroyed, this, [this, menu] { setOpen(menu, false); });
    } else if (!open && m_openMenus.remove(menu)) {
        disconnect(menu, &QObject::destroyed, this, nullptr);
    }
    if (wasOpen != isMenuOpen() && m_onChange)
        m_onChange(isMenuOpen());
}

} // namespace KeyboardShortcuts
