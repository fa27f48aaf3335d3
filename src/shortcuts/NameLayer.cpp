// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/NameLayer.h"

#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/MenuTracker.h"

#include <QCoreApplication>

namespace KeyboardShortcuts {

NameLayer::NameLayer(HotKeyBackend *backend)
    : m_hotKeys(std::make_unique<HotKeyDispatcher>(backend))
{
    if (backend) {
        QObject::connect(backend, &HotKeyBackend::changedInDesktop, m_hotKeys.get(),
            [this](quint32 id, std::optional<KeyCombination> combination) {
                followDesktop(id, combination);
            });
    }
}

void NameLayer::followDesktop(quint32 id, std::optional<KeyCombination> combination)
{
    const auto &table = m_hotKeys->hotKeyTable();
    const auto it = table.find(id);
    if (it == table.end())
        return;
    const Shortcut before = it->second.shortcut;
    std::optional<Shortcut> chosen;
    if (combination) {
        chosen = HotKeyDispatcher::shortcutOf(*combination);
        if (!chosen)
            return;
    }
    // Every name that held the old keys follows, as if recorded here.
    const QList<Name> names = namesWithHandlers();
    for (const Name &name : names) {
        if (getShortcut(name) == before)
            setShortcut(chosen, name);
    }
}

NameLayer::~NameLayer() = default;

void NameLayer::installShortcut(const Shortcut &shortcut)
{
    if (m_installedShortcuts.contains(shortcut))
        return;
    m_hotKeys->registerHotKey(
        shortcut, [this](const Shortcut &pressed) { dispatchShortcut(pressed, m_keyDownActions); },
        [this](const Shortcut &pressed) { dispatchShortcut(pressed, m_keyUpActions); });
    // Counted as installed even when refused, so it is not retried until
    // uninstalled and installed again.
    m_installedShortcuts.insert(shortcut);
}

void NameLayer::uninstallShortcut(const Shortcut &shortcut)
{
    m_hotKeys->unregisterHotKey(shortcut);
    m_installedShortcuts.remove(shortcut);
}

QList<Name> NameLayer::namesWithHandlers() const
{
    return m_keyDownActions.keys() + m_keyUpActions.keys();
}

void NameLayer::uninstallUnlessShared(const Shortcut &shortcut, const Name &leaving)
{
    // Two names may hold one shortcut; one of them moving on must not silence the other.
    const QList<Name> names = namesWithHandlers();
    for (const Name &name : names) {
        if (!(name == leaving) && getShortcut(name) == shortcut)
            return;
    }
    uninstallShortcut(shortcut);
}

void NameLayer::dispatchShortcut(const Shortcut &shortcut, const ActionTable &actions) const
{
    if (m_handlersSuspended)
        return;
    // A copy: an action may attach actions or change shortcuts.
    const ActionTable actionsNow = actions;
    // The store is read for every name on every press, so names sharing a shortcut all fire.
    for (auto it = actionsNow.cbegin(); it != actionsNow.cend(); ++it) {
        if (getShortcut(it.key()) == shortcut) {
            for (const Action &action : it.value())
                action();
        }
    }
}

void NameLayer::onKeyDown(const Name &name, Action action)
{
    m_keyDownActions[name].append(std::move(action));
    if (const auto shortcut = getShortcut(name))
        installShortcut(*shortcut);
}

void NameLayer::onKeyUp(const Name &name, Action action)
{
    m_keyUpActions[name].append(std::move(action));
    if (const auto shortcut = getShortcut(name))
        installShortcut(*shortcut);
}

void NameLayer::ensureMenuTrackingObservers()
{
    if (m_menuTracker || !QCoreApplication::instance())
        return;
    m_menuTracker = std::make_unique<MenuTracker>(
        [this](bool open) { m_hotKeys->setMenuTrackingActive(open); });
}

} // namespace KeyboardShortcuts
