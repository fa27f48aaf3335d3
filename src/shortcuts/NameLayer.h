// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyDispatcher.h"
#include "shortcuts/Name.h"
#include "shortcuts/Shortcut.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <functional>
#include <memory>

namespace KeyboardShortcuts {

class MenuTracker;

// Which shortcuts are handed to the hot key layer, the actions attached to
// names, and the dispatch from a pressed shortcut to every name that holds it.
// Internal to the module; KeyboardShortcuts.h is the public face.
class NameLayer final
{
public:
    using Action = std::function<void()>;
    using ActionTable = QHash<Name, QList<Action>>;

    explicit NameLayer(HotKeyBackend *backend);
    ~NameLayer();

    HotKeyDispatcher &hotKeys() { return *m_hotKeys; }
    const QSet<Shortcut> &installedShortcuts() const { return m_installedShortcuts; }

    void installShortcut(const Shortcut &shortcut);
    void uninstallShortcut(const Shortcut &shortcut);
    /// Uninstalls the shortcut that leaving gives up, unless another name with
    /// actions still holds it.
    void uninstallUnlessShared(const Shortcut &shortcut, const Name &leaving);

    void onKeyDown(const Name &name, Action action);
    void onKeyUp(const Name &name, Action action);

    bool handlersSuspended() const { return m_handlersSuspended; }
    void setHandlersSuspended(bool suspended) { m_handlersSuspended = suspended; }

    /// Starts following our menus opening and closing; effective once.
    void ensureMenuTrackingObservers();

private:
    /// The user changed the keys in the desktop's own settings.
    void followDesktop(quint32 id, std::optional<KeyCombination> combination);
    void dispatchShortcut(const Shortcut &shortcut, const ActionTable &actions) const;
    QList<Name> namesWithHandlers() const;

    std::unique_ptr<HotKeyDispatcher> m_hotKeys;
    std::unique_ptr<MenuTracker> m_menuTracker;
    QSet<Shortcut> m_installedShortcuts;
    ActionTable m_keyDownActions;
    ActionTable m_keyUpActions;
    bool m_handlersSuspended = false;
};

} // namespace KeyboardShortcuts
