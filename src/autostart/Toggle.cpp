// SPDX-License-Identifier: GPL-3.0-or-later
#include "autostart/Toggle.h"

#include "autostart/LaunchAtLogin.h"
#include "autostart/Observable.h"

#include <QScopedValueRollback>

namespace LaunchAtLogin {

Toggle::Toggle(QWidget *parent)
    : Toggle(QStringLiteral("Launch at login"), parent)
{ }

Toggle::Toggle(const QString &label, QWidget *parent)
    : QCheckBox(label, parent)
{
    // toggled, not clicked: keyboard, click and the accessible Toggle action all end here.
    connect(this, &QCheckBox::toggled, this, &Toggle::onToggled);
    connect(&observable(), &Observable::didChange, this, &Toggle::refresh);
    refresh();
}

void Toggle::refresh()
{
    // Showing the system's state is not a change by the user.
    const QScopedValueRollback syncing(m_syncing, true);
    setChecked(observable().isEnabled());
}

void Toggle::showEvent(QShowEvent *event)
{
    // The user may have changed the autostart entry elsewhere while we were hidden.
    refresh();
    QCheckBox::showEvent(event);
}

void Toggle::onToggled(bool checked)
{
    if (m_syncing)
        return;
    observable().setEnabled(checked);
}

} // namespace LaunchAtLogin
