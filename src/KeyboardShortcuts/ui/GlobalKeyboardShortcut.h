// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyboardShortcuts/EventStream.h"
#include "KeyboardShortcuts/Name.h"

#include <QKeySequence>
#include <QObject>

#include <functional>

class QAbstractButton;
class QAction;
class QWidget;

namespace KeyboardShortcuts {

// Gives an action or a button the shortcut of a name as its own keyboard shortcut,
// and follows the name: a change shows the new one, and while any recorder records
// the shortcut is taken away so the key press reaches the recorder.
class GlobalKeyboardShortcut final : public QObject
{
    Q_OBJECT

public:
    /// Applies to action; lives as long as action.
    GlobalKeyboardShortcut(QAction *action, const Name &name);
    /// Applies to button; lives as long as button.
    GlobalKeyboardShortcut(QAbstractButton *button, const Name &name);

    /// The key sequence applied now (empty while a recorder records or without shortcut).
    QKeySequence keySequence() const;

private:
    GlobalKeyboardShortcut(
        QObject *target, const Name &name, std::function<void(const QKeySequence &)> apply);
    void refresh();

    Name m_name;
    std::function<void(const QKeySequence &)> m_apply;
    QKeySequence m_applied;
    bool m_isRecorderActive = false;
};

/// Shows name's shortcut on action (see GlobalKeyboardShortcut).
GlobalKeyboardShortcut *globalKeyboardShortcut(QAction *action, const Name &name);
GlobalKeyboardShortcut *globalKeyboardShortcut(QAbstractButton *button, const Name &name);

/// Runs perform with each press and release of the name's shortcut while view is
/// shown; nothing runs while it is hidden, and the subscription ends with the view.
void onKeyboardShortcut(QWidget *view, const Name &name, std::function<void(EventType)> perform);
/// The same, only for events of type.
void onKeyboardShortcut(
    QWidget *view, const Name &name, EventType type, std::function<void()> perform);
inline void onGlobalKeyboardShortcut(
    QWidget *view, const Name &name, std::function<void(EventType)> perform)
{
    onKeyboardShortcut(view, name, std::move(perform));
}
inline void onGlobalKeyboardShortcut(
    QWidget *view, const Name &name, EventType type, std::function<void()> perform)
{
    onKeyboardShortcut(view, name, type, std::move(perform));
}

} // namespace KeyboardShortcuts
