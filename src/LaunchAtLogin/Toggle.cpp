// SPDX-License-Identifier: GPL-3.0-or-later
#include "LaunchAtLogin/Toggle.h"

#include "LaunchAtLogin/LaunchAtLogin.h"
#include "LaunchAtLogin/Observable.h"

namespace LaunchAtLogin {

Toggle::Toggle(QWidget *parent)
    : Toggle(QStringLiteral("Launch at login"), parent)
{ }

Toggle::Toggle(const QString &label, QWidget *parent)
    : QCheckBox(label, parent)
{
    setAccessibleName(label);
    connect(this, &QCheckBox::clicked, this, &Toggle::onClicked);
    connect(&observable(), &Observable::didChange, this, &Toggle::refresh);
    refresh();
}

void Toggle::refresh()
{
    setChecked(observable().isEnabled());
}

void Toggle::showEvent(QShowEvent *event)
{
    // The user may have changed the autostart entry elsewhere while we were hidden.
    refresh();
    QCheckBox::showEvent(event);
}

void Toggle::onClicked(bool checked)
{
    observable().setEnabled(checked);
}

} // namespace LaunchAtLogin
