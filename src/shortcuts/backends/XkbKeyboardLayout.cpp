// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/backends/XkbKeyboardLayout.h"

#include "core/Logging.h"
#include "shortcuts/KeyTable.h"
#include "shortcuts/backends/X11Connection.h"

#include <QFile>

#include <array>
#include <utility>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace KeyboardShortcuts {

namespace {

constexpr quint32 kEvdevOffset = 8;

// Dead keys type nothing alone; show the accent their key cap carries.
constexpr auto kDeadKeyTexts = std::to_array<std::pair<xkb_keysym_t, char16_t>>({
    { XKB_KEY_dead_grave, u'`' },
    { XKB_KEY_dead_acute, u'\u00B4' },
    { XKB_KEY_dead_circumflex, u'^' },
    { XKB_KEY_dead_tilde, u'~' },
    { XKB_KEY_dead_macron, u'\u00AF' },
    { XKB_KEY_dead_breve, u'\u02D8' },
    { XKB_KEY_dead_abovedot, u'\u02D9' },
    { XKB_KEY_dead_diaeresis, u'\u00A8' },
    { XKB_KEY_dead_abovering, u'\u02DA' },
    { XKB_KEY_dead_doubleacute, u'\u02DD' },
    { XKB_KEY_dead_caron, u'\u02C7' },
    { XKB_KEY_dead_cedilla, u'\u00B8' },
    { XKB_KEY_dead_ogonek, u'\u02DB' },
});

const char *orNull(const QByteArray &value)
{
    return value.isEmpty() ? nullptr : value.constData();
}

} // namespace

XkbKeyboardLayout::Names XkbKeyboardLayout::systemNames(const QByteArray &keyboardFile)
{
    Names names;
    // xkbcommon reads the environment itself when names are left empty.
    if (qEnvironmentVariableIsSet("XKB_DEFAULT_LAYOUT")) {
        return names;
    }
    QFile file(QFile::decodeName(keyboardFile));
    if (!file.open(QIODevice::ReadOnly)) {
        return names;
    }
    // Shell assignments: XKBLAYOUT="fr", possibly quoted, comments allowed.
    for (const QByteArray &rawLine : file.readAll().split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const qsizetype equals = line.indexOf('=');
        if (line.startsWith('#') || equals <= 0) {
            continue;
        }
        QByteArray value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
            && value.back() == value.front()) {
            value = value.mid(1, value.size() - 2);
        }
        const QByteArray key = line.left(equals).trimmed();
        if (key == "XKBMODEL") {
            names.model = value;
        } else if (key == "XKBLAYOUT") {
            names.layout = value;
        } else if (key == "XKBVARIANT") {
            names.variant = value;
        } else if (key == "XKBOPTIONS") {
            names.options = value;
        }
    }
    return names;
}

XkbKeyboardLayout::XkbKeyboardLayout(std::shared_ptr<X11Connection> connection, QObject *parent)
    : KeyboardLayout(parent)
    , m_connection(std::move(connection))
    , m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
    loadFromServer();
    connect(m_connection.get(), &X11Connection::keyboardChanged, this, [this] {
        loadFromServer();
        Q_EMIT layoutChanged();
    });
    connect(m_connection.get(), &X11Connection::keyboardStateChanged, this,
        &XkbKeyboardLayout::onStateChanged);
}

XkbKeyboardLayout::XkbKeyboardLayout(const Names &names, QObject *parent)
    : KeyboardLayout(parent)
    , m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
    if (!m_context) {
        return;
    }
    const xkb_rule_names ruleNames { orNull(names.rules), orNull(names.model), orNull(names.layout),
        orNull(names.variant), orNull(names.options) };
    m_keymap = xkb_keymap_new_from_names(m_context, &ruleNames, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (m_keymap) {
        m_state = xkb_state_new(m_keymap);
    } else {
        qCWarning(lcShortcuts) << "Cannot compile the keyboard layout" << names.layout;
    }
}

XkbKeyboardLayout::~XkbKeyboardLayout()
{
    xkb_state_unref(m_state);
    xkb_keymap_unref(m_keymap);
    xkb_context_unref(m_context);
}

void XkbKeyboardLayout::loadFromServer()
{
    if (!m_context) {
        return;
    }
    xkb_state_unref(m_state);
    xkb_keymap_unref(m_keymap);
    m_state = nullptr;
    m_keymap = xkb_x11_keymap_new_from_device(m_context, m_connection->connection(),
        m_connection->keyboardDevice(), XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (m_keymap) {
        m_state = xkb_x11_state_new_from_device(
            m_keymap, m_connection->connection(), m_connection->keyboardDevice());
    }
    if (!m_state) {
        qCWarning(lcShortcuts) << "Cannot read the X server's keyboard layout";
        xkb_keymap_unref(m_keymap);
        m_keymap = nullptr;
    }
    m_connection->flush();
}

bool XkbKeyboardLayout::setKeymap(const QByteArray &keymapText)
{
    if (!m_context) {
        return false;
    }
    xkb_keymap *keymap = xkb_keymap_new_from_buffer(m_context, keymapText.constData(),
        size_t(keymapText.size()), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_state *state = keymap ? xkb_state_new(keymap) : nullptr;
    if (!state) {
        xkb_keymap_unref(keymap);
        return false;
    }
    xkb_state_unref(m_state);
    xkb_keymap_unref(m_keymap);
    m_keymap = keymap;
    m_state = state;
    Q_EMIT layoutChanged();
    return true;
}

void XkbKeyboardLayout::setState(quint32 depressed, quint32 latched, quint32 locked, quint32 group)
{
    if (!m_state) {
        return;
    }
    const xkb_layout_index_t before
        = xkb_state_serialize_layout(m_state, XKB_STATE_LAYOUT_EFFECTIVE);
    xkb_state_update_mask(m_state, depressed, latched, locked, 0, 0, group);
    if (xkb_state_serialize_layout(m_state, XKB_STATE_LAYOUT_EFFECTIVE) != before) {
        Q_EMIT layoutChanged();
    }
}

void XkbKeyboardLayout::onStateChanged(quint8 baseMods, quint8 latchedMods, quint8 lockedMods,
    qint16 baseGroup, qint16 latchedGroup, quint8 lockedGroup)
{
    if (!m_state) {
        return;
    }
    const xkb_layout_index_t before
        = xkb_state_serialize_layout(m_state, XKB_STATE_LAYOUT_EFFECTIVE);
    xkb_state_update_mask(m_state, baseMods, latchedMods, lockedMods, xkb_layout_index_t(baseGroup),
        xkb_layout_index_t(latchedGroup), lockedGroup);
    if (xkb_state_serialize_layout(m_state, XKB_STATE_LAYOUT_EFFECTIVE) != before) {
        Q_EMIT layoutChanged();
    }
}

quint32 XkbKeyboardLayout::keysymAt(quint32 xkbKeycode, quint32 level) const
{
    const xkb_layout_index_t group = xkb_state_key_get_layout(m_state, xkbKeycode);
    if (group == XKB_LAYOUT_INVALID) {
        return XKB_KEY_NoSymbol;
    }
    const xkb_keysym_t *syms = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(m_keymap, xkbKeycode, group, level, &syms);
    return count == 1 ? syms[0] : XKB_KEY_NoSymbol;
}

quint32 XkbKeyboardLayout::keysym(int evdevKeyCode) const
{
    if (!m_state || evdevKeyCode < 0) {
        return XKB_KEY_NoSymbol;
    }
    return keysymAt(quint32(evdevKeyCode) + kEvdevOffset, 0);
}

QString XkbKeyboardLayout::keyToCharacter(int keyCode) const
{
    const auto evdev = evdevKeyCode(keyCode);
    const xkb_keysym_t sym = evdev ? keysym(*evdev) : XKB_KEY_NoSymbol;
    if (sym == XKB_KEY_NoSymbol) {
        return {};
    }
    for (const auto &[dead, text] : kDeadKeyTexts) {
        if (sym == dead) {
            return QString(QChar(text));
        }
    }
    const char32_t ucs = xkb_keysym_to_utf32(sym);
    // Return, Tab, Escape and the like "type" control characters: not text.
    if (ucs < 0x20 || (ucs >= 0x7f && ucs < 0xa0)) {
        return {};
    }
    return QString::fromUcs4(&ucs, 1);
}

std::optional<int> XkbKeyboardLayout::keyCodeForKeysym(quint32 wanted, bool *shifted) const
{
    if (!m_state || wanted == XKB_KEY_NoSymbol) {
        return std::nullopt;
    }
    std::optional<int> keypadMatch;
    bool keypadShifted = false;
    const xkb_keycode_t last = xkb_keymap_max_keycode(m_keymap);
    for (quint32 level = 0; level < 2; ++level) {
        for (xkb_keycode_t kc = xkb_keymap_min_keycode(m_keymap); kc <= last; ++kc) {
            if (kc < kEvdevOffset || keysymAt(kc, level) != wanted) {
                continue;
            }
            const int evdev = int(kc - kEvdevOffset);
            if (!macKeyCode(evdev)) {
                continue;
            }
            if (QByteArray(xkb_keymap_key_get_name(m_keymap, kc)).startsWith("KP")) {
                if (!keypadMatch) {
                    keypadMatch = evdev;
                    keypadShifted = level == 1;
                }
                continue;
            }
            if (shifted) {
                *shifted = level == 1;
            }
            return evdev;
        }
    }
    if (shifted) {
        *shifted = keypadShifted;
    }
    return keypadMatch;
}

} // namespace KeyboardShortcuts
