// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>

namespace LaunchAtLogin {

// A check box that shows whether the system starts this program at login and
// changes that whenever the box is flipped: by click, key or accessibility action.
// Every toggle follows the shared observable, so two of them on screen always agree.
class Toggle final : public QCheckBox
{
    Q_OBJECT

public:
    /// With the plain label "Launch at login", shown as it stands.
    explicit Toggle(QWidget *parent = nullptr);
    /// With label shown as it stands (pass a tr() text for a translated one).
    explicit Toggle(const QString &label, QWidget *parent = nullptr);

    /// Reads the system's state again.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onToggled(bool checked);

    bool m_syncing = false;
};

} // namespace LaunchAtLogin
