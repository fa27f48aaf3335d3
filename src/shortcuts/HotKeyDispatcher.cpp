// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/HotKeyDispatcher.h"

#include "shortcuts/KeyTable.h"
#include "shortcuts/LocalEventMonitor.h"

#include <QKeyEvent>

#include <cstdio>
#include <limits>

namespace KeyboardShortcuts {

namespace {

// What the recorder takes: Ctrl, Alt or Super with any key, or a function key alone.
bool isAcceptableHotKey(const Shortcut &shortcut)
{
    if (shortcut.modifiers() & (ControlModifier | OptionModifier | CommandModifier))
        return true;
    const KeyRow *key = keyRow(shortcut.carbonKeyCode());
    return key && key->isFunctionKey();
}

} // namespace

HotKeyDispatcher::HotKeyDispatcher(HotKeyBackend *backend, QObject *parent)
    : QObject(parent)
    , m_backend(backend)
{ }

HotKeyDispatcher::~HotKeyDispatcher()
{
    // Leave nothing grabbed behind us when the module goes away.
    unregisterAllHotKeys();
}

void HotKeyDispatcher::printRegistrationError(const Shortcut &shortcut, int status)
{
    const QByteArray line = "Error registering hotkey " + shortcut.description().toUtf8() + ": "
        + QByteArray::number(status) + '\n';
    std::fputs(line.constData(), stdout);
    std::fflush(stdout);
}

std::optional<KeyCombination> HotKeyDispatcher::combinationOf(const Shortcut &shortcut)
{
    // Only hand-edited settings get here with codes outside the system's range.
    if (shortcut.carbonKeyCode() < 0 || shortcut.carbonKeyCode() > 0xFFFF)
        return std::nullopt;
    const auto keyCode = evdevKeyCode(shortcut.carbonKeyCode());
    if (!keyCode)
        return std::nullopt;
    return KeyCombination { *keyCode, qtModifiers(shortcut.modifiers()) };
}

std::optional<Shortcut> HotKeyDispatcher::shortcutOf(KeyCombination combination)
{
    const auto keyCode = macKeyCode(combination.keyCode);
    if (!keyCode)
        return std::nullopt;
    return Shortcut(Key(*keyCode), modifierFlags(combination.modifiers));
}

bool HotKeyDispatcher::isSystemHotKey(const Shortcut &shortcut) const
{
    const auto combination = combinationOf(shortcut);
    return combination && m_backend && m_backend->isSystemHotKey(*combination);
}

QList<Shortcut> HotKeyDispatcher::systemHotKeys() const
{
    QList<Shortcut> shortcuts;
    if (!m_backend)
        return shortcuts;
    const QList<KeyCombination> combinations = m_backend->systemHotKeys();
    for (const KeyCombination &combination : combinations) {
        if (const auto shortcut = shortcutOf(combination))
            shortcuts.append(*shortcut);
    }
    return shortcuts;
}

HotKeyBackend::Status HotKeyDispatcher::registerWithBackend(const HotKey &hotKey)
{
    const Shortcut &shortcut = hotKey.shortcut;
    // Linux keyboards have no function modifier that reaches applications.
    if (shortcut.modifiers().testFlag(FunctionModifier))
        return HotKeyBackend::UnsupportedModifier;
    // A plain key would be taken from every program; only a hand-edited setting gets here.
    if (!isAcceptableHotKey(shortcut))
        return HotKeyBackend::UnsupportedModifier;
    const auto combination = combinationOf(shortcut);
    if (!combination)
        return HotKeyBackend::UnknownKey;
    if (!m_backend)
        return HotKeyBackend::NoService;
    return m_backend->registerHotKey(hotKey.hotKeyId, *combination);
}

std::optional<HotKeyBackend::Status> HotKeyDispatcher::refusal(const Shortcut &shortcut) const
{
    const auto it = m_refusals.constFind(shortcut);
    return it == m_refusals.cend() ? std::nullopt : std::optional(*it);
}

void HotKeyDispatcher::noteRegistration(const Shortcut &shortcut, HotKeyBackend::Status status)
{
    const bool changed = status == HotKeyBackend::NoError
        ? m_refusals.remove(shortcut) > 0
        : (m_refusals.insert(shortcut, status), true);
    if (status != HotKeyBackend::NoError)
        printRegistrationError(shortcut, status);
    if (changed)
        Q_EMIT refusalsChanged();
}

void HotKeyDispatcher::registerHotKey(const Shortcut &shortcut, Action onKeyDown, Action onKeyUp)
{
    HotKey hotKey { shortcut, ++m_hotKeyIdCounter, false, std::move(onKeyDown),
        std::move(onKeyUp) };

    // While a menu is open or a recorder records, grabbing the key now would only
    // take it away from other programs; it is registered when the layer is active again.
    if (m_eventHandlerInstalled && m_state != State::Active) {
        m_hotKeyTable.insert_or_assign(hotKey.hotKeyId, std::move(hotKey));
        return;
    }

    const HotKeyBackend::Status status = registerWithBackend(hotKey);
    noteRegistration(shortcut, status);
    if (status != HotKeyBackend::NoError)
        return;
    hotKey.registered = true;
    m_hotKeyTable.insert_or_assign(hotKey.hotKeyId, std::move(hotKey));
    if (!m_eventHandlerInstalled)
        installEventHandler();
}

void HotKeyDispatcher::installEventHandler()
{
    if (!m_backend)
        return;
    connect(m_backend, &HotKeyBackend::pressed, this, &HotKeyDispatcher::onPressed);
    connect(m_backend, &HotKeyBackend::released, this, &HotKeyDispatcher::onReleased);
    connect(m_backend, &HotKeyBackend::registrationFailed, this,
        &HotKeyDispatcher::onRegistrationFailed);
    m_menuKeyEventFilter = std::make_unique<LocalEventMonitor>(
        QList<QEvent::Type> { QEvent::KeyPress, QEvent::KeyRelease },
        [this](QObject *, QEvent *event) {
            return handleRawKeyEvent(static_cast<const QKeyEvent *>(event));
        });
    m_eventHandlerInstalled = true;
    refreshEventHandler();
}

void HotKeyDispatcher::unregisterHotKey(const Shortcut &shortcut)
{
    for (auto it = m_hotKeyTable.begin(); it != m_hotKeyTable.end();) {
        if (it->second.shortcut == shortcut) {
            if (it->second.registered && m_backend)
                m_backend->unregisterHotKey(it->first);
            it = m_hotKeyTable.erase(it);
        } else {
            ++it;
        }
    }
}

void HotKeyDispatcher::registerAllHotKeys()
{
    for (auto it = m_hotKeyTable.begin(); it != m_hotKeyTable.end();) {
        HotKey &hotKey = it->second;
        if (hotKey.registered) {
            ++it;
            continue;
        }
        const HotKeyBackend::Status status = registerWithBackend(hotKey);
        noteRegistration(hotKey.shortcut, status);
        if (status == HotKeyBackend::NoError) {
            hotKey.registered = true;
            ++it;
        } else {
            it = m_hotKeyTable.erase(it);
        }
    }
}

void HotKeyDispatcher::unregisterAllHotKeys()
{
    // A desktop that holds the shortcut itself keeps it through menus and after we quit.
    if (m_backend && m_backend->keepsRegistrations())
        return;
    for (auto &[id, hotKey] : m_hotKeyTable) {
        if (hotKey.registered && m_backend)
            m_backend->unregisterHotKey(id);
        hotKey.registered = false;
    }
}

void HotKeyDispatcher::setMenuTrackingActive(bool active)
{
    if (m_menuTrackingActive == active)
        return;
    m_menuTrackingActive = active;
    refreshEventHandler();
}

void HotKeyDispatcher::setRecorderActive(bool active)
{
    if (m_recorderActive == active)
        return;
    m_recorderActive = active;
    refreshEventHandler();
}

void HotKeyDispatcher::refreshEventHandler()
{
    if (!m_eventHandlerInstalled)
        return;
    // An X grab takes the combination from our own recorder too.
    const bool releaseForRecorder
        = m_recorderActive && m_backend && m_backend->keepsKeysFromOurWindows();
    if (releaseForRecorder && !m_menuTrackingActive) {
        m_state = State::Recording;
        unregisterAllHotKeys();
        m_menuKeyEventFilter->stopMonitoring();
    } else if (!m_menuTrackingActive) {
        m_state = State::Active;
        registerAllHotKeys();
        m_menuKeyEventFilter->stopMonitoring();
    } else {
        m_state = State::MenuOpen;
        unregisterAllHotKeys();
        m_menuKeyEventFilter->startMonitoring();
    }
}

void HotKeyDispatcher::onPressed(quint32 id)
{
    dispatch(id, &HotKey::onKeyDown);
}

void HotKeyDispatcher::onReleased(quint32 id)
{
    dispatch(id, &HotKey::onKeyUp);
}

void HotKeyDispatcher::dispatch(quint32 id, Action HotKey::*action)
{
    if (m_state != State::Active)
        return;
    const auto it = m_hotKeyTable.find(id);
    if (it == m_hotKeyTable.end())
        return;
    // Copied: the action may change the table.
    const HotKey hotKey = it->second;
    if (hotKey.*action)
        (hotKey.*action)(hotKey.shortcut);
}

void HotKeyDispatcher::onRegistrationFailed(quint32 id, HotKeyBackend::Status status)
{
    // A backend that answers later (the portal) refused: as if refused at once.
    const auto it = m_hotKeyTable.find(id);
    if (it == m_hotKeyTable.end())
        return;
    const Shortcut shortcut = it->second.shortcut;
    m_hotKeyTable.erase(it);
    // Keep the backend in step, so nothing it still holds comes back later.
    if (m_backend)
        m_backend->unregisterHotKey(id);
    noteRegistration(shortcut, status);
}

bool HotKeyDispatcher::handleRawKeyEvent(const QKeyEvent *event)
{
    const auto shortcut = Shortcut::fromKeyEvent(event);
    if (!shortcut)
        return false;
    for (const auto &[id, hotKey] : m_hotKeyTable) {
        if (hotKey.shortcut.carbonKeyCode() != shortcut->carbonKeyCode()
            || normalizedCarbonModifiers(hotKey.shortcut.carbonModifiers())
                != shortcut->carbonModifiers()) {
            continue;
        }
        // Held keys repeat; the action runs once per press.
        if (event->isAutoRepeat())
            return true;
        const HotKey match = hotKey;
        const auto &action = event->type() == QEvent::KeyPress ? match.onKeyDown : match.onKeyUp;
        if (action)
            action(match.shortcut);
        return true;
    }
    return false;
}

} // namespace KeyboardShortcuts
