// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/backends/X11HotKeyBackend.h"

#include "core/Logging.h"
#include "shortcuts/backends/X11Connection.h"

#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace KeyboardShortcuts {

namespace {

constexpr quint8 kBadAccess = 10;
constexpr int kEvdevOffset = 8; // X key codes are evdev codes + 8
constexpr quint16 kCoreModifiers = 0xff; // the group and button bits are not ours

// Key symbols that identify the modifier bits in the core modifier map.
constexpr xcb_keysym_t kNumLock = 0xff7f;
constexpr xcb_keysym_t kScrollLock = 0xff14;
constexpr xcb_keysym_t kSuperL = 0xffeb, kSuperR = 0xffec;
constexpr xcb_keysym_t kAltL = 0xffe9, kAltR = 0xffea, kMetaL = 0xffe7, kMetaR = 0xffe8;

} // namespace

X11HotKeyBackend::X11HotKeyBackend(std::shared_ptr<X11Connection> connection, QObject *parent)
    : DesktopHotKeyBackend(parent)
    , m_connection(std::move(connection))
{
    connect(m_connection.get(), &X11Connection::keyEvent, this,
        [this](bool press, quint8 keycode, quint16 state, quint32) {
            onKeyEvent(press, keycode, state);
        });
    connect(m_connection.get(), &X11Connection::keyboardChanged, this,
        &X11HotKeyBackend::onKeyboardChanged);
    readModifierMasks();
}

X11HotKeyBackend::~X11HotKeyBackend()
{
    for (const auto &[id, registration] : m_registrations) {
        if (registration.grabbed) {
            ungrabAll(registration.grab, registration.lockVariants);
        }
    }
    xcb_flush(m_connection->connection());
}

QString X11HotKeyBackend::name() const
{
    return u"x11"_s;
}

HotKeyBackend::Status X11HotKeyBackend::registerHotKey(quint32 id, KeyCombination combination)
{
    unregisterHotKey(id);
    Registration registration { combination, false, {}, {} };
    if (const Status status = resolve(combination, &registration.grab); status != NoError) {
        return status;
    }
    registration.lockVariants = lockVariants(registration.grab.modifiers);
    // A second id for a combination we hold already shares the grab.
    if (!grabbedByUs(registration.grab, id)) {
        if (const Status status = grabAll(registration.grab, registration.lockVariants);
            status != NoError) {
            return status;
        }
    }
    registration.grabbed = true;
    m_registrations[id] = std::move(registration);
    return NoError;
}

void X11HotKeyBackend::unregisterHotKey(quint32 id)
{
    const auto it = m_registrations.find(id);
    if (it == m_registrations.end()) {
        return;
    }
    const Registration registration = std::move(it->second);
    m_registrations.erase(it);
    for (auto &[keycode, ids] : m_held) {
        std::erase(ids, id);
    }
    if (registration.grabbed && !grabbedByUs(registration.grab, id)) {
        ungrabAll(registration.grab, registration.lockVariants);
        m_connection->flush();
    }
}

bool X11HotKeyBackend::isTakenByAnotherClient(KeyCombination combination)
{
    Grab grab;
    if (resolve(combination, &grab) != NoError || grabbedByUs(grab, 0)) {
        return false;
    }
    const auto variants = lockVariants(grab.modifiers);
    if (grabAll(grab, variants) == TakenByAnotherClient) {
        return true;
    }
    ungrabAll(grab, variants);
    m_connection->flush();
    return false;
}

HotKeyBackend::Status X11HotKeyBackend::resolve(KeyCombination combination, Grab *grab) const
{
    const int keycode = combination.keyCode + kEvdevOffset;
    const xcb_setup_t *setup = xcb_get_setup(m_connection->connection());
    if (keycode < setup->min_keycode || keycode > setup->max_keycode) {
        return UnknownKey;
    }
    const Qt::KeyboardModifiers wanted = combination.modifiers;
    quint16 modifiers = 0;
    if (wanted & Qt::ShiftModifier) {
        modifiers |= XCB_MOD_MASK_SHIFT;
    }
    if (wanted & Qt::ControlModifier) {
        modifiers |= XCB_MOD_MASK_CONTROL;
    }
    if (wanted & Qt::AltModifier) {
        modifiers |= m_masks.alt;
    }
    if (wanted & Qt::MetaModifier) {
        modifiers |= m_masks.super;
    }
    grab->keycode = xcb_keycode_t(keycode);
    grab->modifiers = modifiers;
    return NoError;
}

quint16 X11HotKeyBackend::lockMask() const
{
    return XCB_MOD_MASK_LOCK | m_masks.numLock | m_masks.scrollLock;
}

std::vector<quint16> X11HotKeyBackend::lockVariants(quint16 modifiers) const
{
    std::vector<quint16> locks;
    for (const quint16 lock : { quint16(XCB_MOD_MASK_LOCK), m_masks.numLock, m_masks.scrollLock }) {
        // A lock that shares a bit with the shortcut's own modifiers cannot vary.
        if (lock && !(lock & modifiers)
            && std::find(locks.begin(), locks.end(), lock) == locks.end()) {
            locks.push_back(lock);
        }
    }
    std::vector<quint16> variants;
    for (unsigned subset = 0; subset < (1u << locks.size()); ++subset) {
        quint16 variant = modifiers;
        for (std::size_t bit = 0; bit < locks.size(); ++bit) {
            if (subset & (1u << bit)) {
                variant |= locks[bit];
            }
        }
        variants.push_back(variant);
    }
    return variants;
}

HotKeyBackend::Status X11HotKeyBackend::grabAll(
    const Grab &grab, const std::vector<quint16> &variants)
{
    xcb_connection_t *c = m_connection->connection();
    std::vector<xcb_void_cookie_t> cookies;
    for (const quint16 variant : variants) {
        cookies.push_back(xcb_grab_key_checked(c, 1, m_connection->root(), variant, grab.keycode,
            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    Status status = NoError;
    std::vector<quint16> granted;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        if (xcb_generic_error_t *error = xcb_request_check(c, cookies[i])) {
            const Status failure
                = error->error_code == kBadAccess ? TakenByAnotherClient : UnknownKey;
            if (status == NoError) {
                status = failure;
            }
            std::free(error);
        } else {
            granted.push_back(variants[i]);
        }
    }
    // All variants or none: a half-registered shortcut would work only
    // with some lock keys on.
    if (status != NoError) {
        ungrabAll(grab, granted);
    }
    m_connection->flush();
    return status;
}

void X11HotKeyBackend::ungrabAll(const Grab &grab, const std::vector<quint16> &variants)
{
    for (const quint16 variant : variants) {
        xcb_ungrab_key(m_connection->connection(), grab.keycode, m_connection->root(), variant);
    }
}

bool X11HotKeyBackend::grabbedByUs(const Grab &grab, quint32 exceptId) const
{
    return std::any_of(m_registrations.begin(), m_registrations.end(), [&](const auto &entry) {
        return entry.first != exceptId && entry.second.grabbed && entry.second.grab == grab;
    });
}

void X11HotKeyBackend::onKeyEvent(bool press, quint8 keycode, quint16 state)
{
    if (!press) {
        const auto held = m_held.find(keycode);
        if (held == m_held.end()) {
            return;
        }
        const std::vector<quint32> ids = std::move(held->second);
        m_held.erase(held);
        for (const quint32 id : ids) {
            Q_EMIT released(id);
        }
        return;
    }
    // A held key repeats as further presses: the action fires once.
    if (m_held.contains(keycode)) {
        return;
    }
    const quint16 modifiers = state & kCoreModifiers & ~lockMask();
    std::vector<quint32> ids;
    for (const auto &[id, registration] : m_registrations) {
        if (registration.grabbed && registration.grab.keycode == keycode
            && registration.grab.modifiers == modifiers) {
            ids.push_back(id);
        }
    }
    if (ids.empty()) {
        return;
    }
    m_held[keycode] = ids;
    for (const quint32 id : ids) {
        // The receiver may unregister ids while we go.
        if (m_registrations.contains(id)) {
            Q_EMIT pressed(id);
        }
    }
}

void X11HotKeyBackend::onKeyboardChanged()
{
    for (const auto &[id, registration] : m_registrations) {
        if (registration.grabbed) {
            ungrabAll(registration.grab, registration.lockVariants);
        }
    }
    readModifierMasks();
    m_held.clear();
    std::vector<std::pair<quint32, Status>> failures;
    for (auto &[id, registration] : m_registrations) {
        const bool wasGrabbed = registration.grabbed;
        registration.grabbed = false;
        Grab grab;
        Status status = resolve(registration.combination, &grab);
        if (status == NoError) {
            registration.grab = grab;
            registration.lockVariants = lockVariants(grab.modifiers);
            if (!grabbedByUs(grab, id)) {
                status = grabAll(grab, registration.lockVariants);
            }
        }
        registration.grabbed = status == NoError;
        if (wasGrabbed && status != NoError) {
            failures.emplace_back(id, status);
        }
    }
    // A refused grab is forgotten here too: grabbing it at the next change would
    // swallow the combination with nobody listening.
    for (const auto &[id, status] : failures) {
        m_registrations.erase(id);
    }
    m_connection->flush();
    qCDebug(lcShortcuts) << "Keyboard mapping changed; hot keys grabbed again";
    for (const auto &[id, status] : failures) {
        Q_EMIT registrationFailed(id, status);
    }
}

void X11HotKeyBackend::readModifierMasks()
{
    xcb_connection_t *c = m_connection->connection();
    const xcb_setup_t *setup = xcb_get_setup(c);
    const auto modmapCookie = xcb_get_modifier_mapping(c);
    const auto keymapCookie = xcb_get_keyboard_mapping(
        c, setup->min_keycode, quint8(setup->max_keycode - setup->min_keycode + 1));
    auto *modmap = xcb_get_modifier_mapping_reply(c, modmapCookie, nullptr);
    auto *keymap = xcb_get_keyboard_mapping_reply(c, keymapCookie, nullptr);
    ModifierMasks masks { 0, 0, 0, 0 };
    if (modmap && keymap) {
        const xcb_keycode_t *modKeys = xcb_get_modifier_mapping_keycodes(modmap);
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(keymap);
        const int symsLength = xcb_get_keyboard_mapping_keysyms_length(keymap);
        const int perKey = keymap->keysyms_per_keycode;
        const int perModifier = modmap->keycodes_per_modifier;
        // Mod1 to Mod5; Shift, Lock and Control are fixed.
        for (int modifier = 3; modifier < 8; ++modifier) {
            const quint16 bit = quint16(1u << modifier);
            for (int k = 0; k < perModifier; ++k) {
                const xcb_keycode_t keycode = modKeys[modifier * perModifier + k];
                if (keycode < setup->min_keycode) {
                    continue;
                }
                const int base = (keycode - setup->min_keycode) * perKey;
                for (int level = 0; level < perKey && base + level < symsLength; ++level) {
                    const xcb_keysym_t sym = syms[base + level];
                    if (sym == kNumLock && !masks.numLock) {
                        masks.numLock = bit;
                    } else if (sym == kScrollLock && !masks.scrollLock) {
                        masks.scrollLock = bit;
                    } else if ((sym == kSuperL || sym == kSuperR) && !masks.super) {
                        masks.super = bit;
                    } else if ((sym == kAltL || sym == kAltR || sym == kMetaL || sym == kMetaR)
                        && !masks.alt) {
                        masks.alt = bit;
                    }
                }
            }
        }
    }
    std::free(modmap);
    std::free(keymap);
    // Keyboards without Super or Alt keys in the map still use the usual bits.
    m_masks.super = masks.super ? masks.super : quint16(XCB_MOD_MASK_4);
    m_masks.alt = masks.alt ? masks.alt : quint16(XCB_MOD_MASK_1);
    const quint16 taken = m_masks.super | m_masks.alt;
    m_masks.numLock = masks.numLock & ~taken;
    m_masks.scrollLock = masks.scrollLock & ~taken & ~m_masks.numLock;
}

} // namespace KeyboardShortcuts
