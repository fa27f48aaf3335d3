// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QMenu;

namespace vantry {

// Lets an open menu run its commands by the shortcuts it shows (Ctrl+Q in the
// open status menu quits). Qt matches the shortcut of an action inside a menu
// only through a menu bar or a widget the action is also on; a tray or button
// menu has neither, and while it is open it holds the keyboard.
class MenuKeyEquivalents final : public QObject
{
    Q_OBJECT

public:
    /// Watches menu for as long as it lives.
    static void install(QMenu *menu);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};

} // namespace vantry
