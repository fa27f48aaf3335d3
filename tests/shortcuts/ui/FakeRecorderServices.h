// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/ui/RecorderServices.h"

#include <QStringList>

#include <functional>

namespace KeyboardShortcuts::Testing {

// Counts beeps, records the alerts and answers them as a test prepares.
class FakeRecorderServices final : public RecorderServices
{
public:
    int beeps = 0;
    QStringList alerts; // the message of every alert, then its buttons if it has two
    bool chooseSecondButton = false;
    QList<Shortcut> system;
    QList<QMenu *> menuList;
    std::function<void()> duringAlert; // runs while an alert is "open"

    void beep() override { ++beeps; }
    void showAlert(QWidget *, const QString &message) override
    {
        alerts << message;
        if (duringAlert)
            duringAlert();
    }
    bool askAlert(QWidget *, const QString &message, const QString &informative,
        const QString &firstButton, const QString &secondButton) override
    {
        alerts << message << informative << firstButton << secondButton;
        return chooseSecondButton;
    }
    QList<Shortcut> systemShortcuts() override { return system; }
    QList<QMenu *> menus() override { return menuList; }
};

} // namespace KeyboardShortcuts::Testing
