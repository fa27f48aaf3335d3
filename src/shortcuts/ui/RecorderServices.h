// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Shortcut.h"

#include <QList>
#include <QString>

class QMenu;
class QWidget;

namespace KeyboardShortcuts {

// What the recorder needs besides the shortcut model: the beep, its two alerts,
// the desktop's own shortcuts and the application's menus. Tests answer these
// with a fake.
class RecorderServices
{
public:
    virtual ~RecorderServices() = default;

    /// Refuses a key press audibly.
    virtual void beep() = 0;
    /// A warning with one button, modal for the recorder's window (or the application).
    virtual void showAlert(QWidget *recorder, const QString &message) = 0;
    /// A warning with a first and a second button; true when the second was chosen.
    virtual bool askAlert(QWidget *recorder, const QString &message, const QString &informative,
        const QString &firstButton, const QString &secondButton)
        = 0;
    /// The combinations the desktop already uses.
    virtual QList<Shortcut> systemShortcuts() = 0;
    /// Whether the desktop or another program already uses shortcut.
    virtual bool isSystemShortcut(const Shortcut &shortcut)
    {
        return systemShortcuts().contains(shortcut);
    }
    /// The menus whose commands a new shortcut must not clash with.
    virtual QList<QMenu *> menus() = 0;

    /// The real ones: QApplication::beep, QMessageBox, the hot key layer's system
    /// list and every menu of the application. Lives as long as the process.
    static RecorderServices &system();
};

} // namespace KeyboardShortcuts
