// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/NameLayer.h"

#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/MenuTracker.h"
#include "shortcuts/ShortcutCenter.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace KeyboardShortcuts {

NameLayer::NameLayer(ShortcutCenter *center, HotKeyBackend *backend)
    : m_center(center)
    , m_hotKeys(std::make_unique<HotKeyDispatcher>(backend))
{ }

NameLayer::~NameLayer() = default;

void NameLayer::installShortcut(const Shortcut &shortcut)
{
    if (m_installedShortcuts.contains(shortcut))
        return;
    m_hotKeys->registerHotKey(
        shortcut,
        [this](const Shortcut &pressed) {
            dispatchShortcut(pressed, m_keyDownActions, m_keyDownSubscribers);
        },
        [this](const Shortcut &pressed) {
            dispatchShortcut(pressed, m_keyUpActions, m_keyUpSubscribers);
        });
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
    return m_keyDownActions.keys() + m_keyUpActions.keys() + m_keyDownSubscribers.keys()
        + m_keyUpSubscribers.keys();
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

void NameLayer::dispatchShortcut(
    const Shortcut &shortcut, const ActionTable &actions, const SubscriberTable &subscribers) const
{
    if (m_handlersSuspended)
        return;
    // Copies: an action may attach actions, open streams or change shortcuts.
    const ActionTable actionsNow = actions;
    const SubscriberTable subscribersNow = subscribers;
    // The store is read for every name on every press, so names sharing a shortcut all fire.
    for (auto it = actionsNow.cbegin(); it != actionsNow.cend(); ++it) {
        if (getShortcut(it.key()) == shortcut) {
            for (const Action &action : it.value())
                action();
        }
    }
    for (auto it = subscribersNow.cbegin(); it != subscribersNow.cend(); ++it) {
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

QSet<Shortcut> NameLayer::storedShortcuts(const QList<Name> &names) const
{
    QSet<Shortcut> shortcuts;
    for (const Name &name : names) {
        if (const auto shortcut = getShortcut(name))
            shortcuts.insert(*shortcut);
    }
    return shortcuts;
}

EventStream *NameLayer::events(const Name &name, std::optional<EventType> only, QObject *parent)
{
    auto *stream = new EventStream(m_center, name, only, parent);
    const QUuid id = stream->id();
    const QPointer<EventStream> target(stream);
    // Subscribing happens on the next turn of the event loop, after events() returned.
    QMetaObject::invokeMethod(
        m_center,
        [this, name, id, target] {
            m_keyDownSubscribers[name].insert(id, [target] {
                if (target)
                    target->yield(EventType::KeyDown);
            });
            m_keyUpSubscribers[name].insert(id, [target] {
                if (target)
                    target->yield(EventType::KeyUp);
            });
            if (const auto shortcut = getShortcut(name))
                installShortcut(*shortcut);
        },
        Qt::QueuedConnection);
    return stream;
}

void NameLayer::streamEnded(const Name &name, const QUuid &id)
{
    QMetaObject::invokeMethod(
        m_center,
        [this, name, id] {
            // The name's (possibly empty) map stays, and with it the name's claim
            // on its shortcut.
            m_keyDownSubscribers[name].remove(id);
            m_keyUpSubscribers[name].remove(id);
            const auto shortcut = getShortcut(name);
            if (!shortcut)
                return;
            const QSet<Shortcut> claimed = storedShortcuts(m_keyDownActions.keys()
                + m_keyUpActions.keys() + m_keyDownSubscribers.keys() + m_keyUpSubscribers.keys());
            if (!claimed.contains(*shortcut))
                uninstallShortcut(*shortcut);
        },
        Qt::QueuedConnection);
}

void NameLayer::ensureMenuTrackingObservers()
{
    if (m_menuTracker || !QCoreApplication::instance())
        return;
    m_menuTracker = std::make_unique<MenuTracker>(
        [this](bool open) { m_hotKeys->setMenuTrackingActive(open); });
}

} // namespace KeyboardShortcuts
