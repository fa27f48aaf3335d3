// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Named, user-changeable, system-wide keyboard shortcuts. Everything here runs
// on the main thread and works with ShortcutCenter::current(); without a
// center reads give nothing and writes do nothing.

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/Key.h"
#include "shortcuts/Name.h"
#include "shortcuts/Shortcut.h"
#include "shortcuts/ShortcutCenter.h"

#include <QLatin1String>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>
#include <utility>

namespace KeyboardShortcuts {

/// Every key of the module in the settings store starts with this.
inline constexpr QLatin1String defaultsKeyPrefix { "KeyboardShortcuts_" };

// --- Model and persistence ---

/// The shortcut stored for name; none when absent, disabled or unreadable. Never cached.
std::optional<Shortcut> getShortcut(const Name &name);
/// Stores (and installs) the shortcut, or clears the name: a name with a default
/// gets the disabled marker so the default does not come back.
void setShortcut(const std::optional<Shortcut> &shortcut, const Name &name);
/// Each name gets its default back, or is cleared when it has none.
void reset(const QList<Name> &names);
template<typename... Names>
void reset(const Name &first, const Names &...rest)
{
    reset(QList<Name> { first, rest... });
}

// --- Actions ---

/// Runs action on each press (release) of the name's shortcut. Actions are
/// never removed.
void onKeyDown(const Name &name, std::function<void()> action);
void onKeyUp(const Name &name, std::function<void()> action);
/// The same, but the action stops running once context is destroyed.
template<typename Action>
void onKeyDown(const Name &name, const QObject *context, Action action)
{
    onKeyDown(name, [guard = QPointer<const QObject>(context), action]() mutable {
        if (guard)
            action();
    });
}
template<typename Action>
void onKeyUp(const Name &name, const QObject *context, Action action)
{
    onKeyUp(name, [guard = QPointer<const QObject>(context), action]() mutable {
        if (guard)
            action();
    });
}

// --- Switches ---

/// Set while a recorder records: hot keys stay registered, no action runs.
bool handlersSuspended();
void setHandlersSuspended(bool suspended);

/// The combinations the desktop itself already uses, normalised.
QList<Shortcut> systemSymbolicShortcuts();
/// Whether the desktop or another program already uses shortcut: the list above, plus
/// what the backend can ask the system about this one combination.
bool isSystemShortcut(const Shortcut &shortcut);

/// Whether the desktop did not take the name's shortcut as a global hot key (no
/// service for it, or refused); ShortcutCenter::hotKeyRegistrationChanged tells when
/// this may change.
bool isRefusedByDesktop(const Name &name);
/// Why the desktop did not take the name's shortcut; none when it did or nothing asked.
std::optional<HotKeyBackend::Status> desktopRefusal(const Name &name);
/// Where the desktop's own settings hold the name's shortcut, when it was filed there
/// ("Settings → Keyboard → …"); empty otherwise.
QString desktopSettingsPlace(const Name &name);

// --- Display ---

/// The unshifted character of the key on the current layout; none for special keys,
/// without a layout, or when the key prints nothing or several characters.
std::optional<QString> keyToCharacter(qint64 keyCode);

/// The module's own texts ("space_key", "record_shortcut", ...), translated.
QString localizedString(const char *key);

} // namespace KeyboardShortcuts
