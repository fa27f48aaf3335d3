// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/StatusItem.h"

#include <QMenu>

namespace MenuBarExtraAccess {

namespace {
// Everything runs on the main thread, so a plain list is enough.
QList<StatusItem *> &registry()
{
    static QList<StatusItem *> items;
    return items;
}
} // namespace

StatusItem::StatusItem(QObject *parent)
    : QObject(parent)
{
    registry().append(this);
}

StatusItem::~StatusItem()
{
    registry().removeOne(this);
}

QList<StatusItem *> StatusItem::all()
{
    return registry();
}

void StatusItem::setState(bool on)
{
    if (!m_hasButton || m_state == on)
        return;
    m_state = on;
    Q_EMIT stateChanged(on);
}

void StatusItem::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    Q_EMIT highlightedChanged(highlighted);
}

void StatusItem::performClick()
{
    if (m_hasButton)
        Q_EMIT clicked();
}

void StatusItem::togglePresented()
{
    performClick();
    updateHighlight();
}

void StatusItem::setPresented(bool presented)
{
    const bool current = m_hasButton ? m_state : true;
    if (current != presented)
        togglePresented();
    else
        updateHighlight();
}

void StatusItem::updateHighlight()
{
    if (m_hasButton)
        setHighlighted(m_state);
}

QMenu *StatusItem::menu() const
{
    return m_menu;
}

void StatusItem::setMenu(QMenu *menu)
{
    if (m_menu == menu)
        return;
    m_menu = menu;
    Q_EMIT menuChanged();
}

} // namespace MenuBarExtraAccess
