// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/backends/DesktopSystemShortcuts.h"

#include "core/Logging.h"
#include "shortcuts/backends/GnomeHotKeyBackend.h"
#include "shortcuts/backends/XkbKeyboardLayout.h"

#include <QFile>
#include <QKeySequence>
#include <QProcess>
#include <QStandardPaths>

#include <array>
#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

using namespace Qt::StringLiterals;

namespace KeyboardShortcuts {

namespace {

constexpr qint64 kCacheMs = 5000; // the recorder asks on every key press
constexpr int kGsettingsTimeoutMs = 3000;

// Qt keys that are not characters, by the key symbol at their place.
constexpr auto kQtKeysyms = std::to_array<std::pair<int, xkb_keysym_t>>({
    { Qt::Key_Escape, XKB_KEY_Escape },
    { Qt::Key_Tab, XKB_KEY_Tab },
    { Qt::Key_Backtab, XKB_KEY_Tab },
    { Qt::Key_Backspace, XKB_KEY_BackSpace },
    { Qt::Key_Return, XKB_KEY_Return },
    { Qt::Key_Enter, XKB_KEY_KP_Enter },
    { Qt::Key_Insert, XKB_KEY_Insert },
    { Qt::Key_Delete, XKB_KEY_Delete },
    { Qt::Key_Print, XKB_KEY_Print },
    { Qt::Key_Home, XKB_KEY_Home },
    { Qt::Key_End, XKB_KEY_End },
    { Qt::Key_Left, XKB_KEY_Left },
    { Qt::Key_Up, XKB_KEY_Up },
    { Qt::Key_Right, XKB_KEY_Right },
    { Qt::Key_Down, XKB_KEY_Down },
    { Qt::Key_PageUp, XKB_KEY_Prior },
    { Qt::Key_PageDown, XKB_KEY_Next },
    { Qt::Key_Help, XKB_KEY_Help },
    { Qt::Key_VolumeDown, XKB_KEY_XF86AudioLowerVolume },
    { Qt::Key_VolumeMute, XKB_KEY_XF86AudioMute },
    { Qt::Key_VolumeUp, XKB_KEY_XF86AudioRaiseVolume },
});

std::optional<KeyCombination> locate(
    xkb_keysym_t sym, Qt::KeyboardModifiers modifiers, const XkbKeyboardLayout &keyboard)
{
    bool shifted = false;
    const auto keyCode = keyboard.keyCodeForKeysym(sym, &shifted);
    if (!keyCode) {
        return std::nullopt;
    }
    // A symbol found on the shifted level ("!" on the 1 key) means Shift + that key.
    return KeyCombination { *keyCode, modifiers | (shifted ? Qt::ShiftModifier : Qt::NoModifier) };
}

xkb_keysym_t keysymOfQtKey(int key, bool keypad)
{
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) {
        return XKB_KEY_F1 + xkb_keysym_t(key - Qt::Key_F1);
    }
    if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) {
        return XKB_KEY_KP_0 + xkb_keysym_t(key - Qt::Key_0);
    }
    for (const auto &[qtKey, sym] : kQtKeysyms) {
        if (qtKey == key) {
            return sym;
        }
    }
    if (key > 0x20 && key <= 0xff) {
        return xkb_utf32_to_keysym(QChar(char16_t(key)).toLower().unicode());
    }
    return key == Qt::Key_Space ? XKB_KEY_space : XKB_KEY_NoSymbol;
}

// Splits a KConfig list at unescaped commas and unescapes the items.
QStringList splitKConfigList(const QString &value)
{
    QStringList items { QString() };
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\\' && i + 1 < value.size()) {
            const QChar next = value.at(++i);
            items.last() += next == u't' ? QChar(u'\t') : next;
        } else if (c == u',') {
            items.append(QString());
        } else {
            items.last() += c;
        }
    }
    return items;
}

} // namespace

DesktopSystemShortcuts::DesktopSystemShortcuts(const XkbKeyboardLayout *keyboard, Sources sources)
    : m_keyboard(keyboard)
    , m_sources(std::move(sources))
{ }

DesktopSystemShortcuts::Sources DesktopSystemShortcuts::sessionSources()
{
    Sources sources;
    sources.desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    return sources;
}

bool DesktopSystemShortcuts::uses(const QString &family) const
{
    // Unknown desktops get every configuration we can read.
    if (m_sources.desktops.isEmpty()) {
        return true;
    }
    static const QStringList gnomeLike { u"GNOME"_s, u"Unity"_s, u"Budgie"_s, u"Pantheon"_s };
    for (const QString &desktop : m_sources.desktops) {
        if (family == "KDE"_L1 ? desktop.compare("KDE"_L1, Qt::CaseInsensitive) == 0
                               : gnomeLike.contains(desktop, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

QList<SystemShortcut> DesktopSystemShortcuts::shortcuts() const
{
    if (!m_keyboard) {
        return {};
    }
    if (!m_cacheAge.isValid() || m_cacheAge.hasExpired(kCacheMs)) {
        m_cache.clear();
        if (uses(u"KDE"_s)) {
            m_cache += readKde();
        }
        if (uses(u"GNOME"_s)) {
            m_cache += readGnome();
        }
        m_cacheAge.start();
    }
    return m_cache;
}

std::optional<SystemShortcut> DesktopSystemShortcuts::conflict(KeyCombination combination) const
{
    if (auto configured = SystemShortcuts::conflict(combination)) {
        return configured;
    }
    if (m_sources.grabProbe && m_sources.grabProbe(combination)) {
        return SystemShortcut { combination, tr("Another application") };
    }
    return std::nullopt;
}

std::optional<KeyCombination> DesktopSystemShortcuts::parseQtKeySequence(
    const QString &text, const XkbKeyboardLayout &keyboard)
{
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    // Chords of several steps never collide with a one-step shortcut.
    if (sequence.count() != 1) {
        return std::nullopt;
    }
    const QKeyCombination combination = sequence[0];
    const Qt::KeyboardModifiers qtModifiers = combination.keyboardModifiers();
    const Qt::KeyboardModifiers modifiers = qtModifiers
        & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const xkb_keysym_t sym
        = keysymOfQtKey(combination.key(), qtModifiers.testFlag(Qt::KeypadModifier));
    return sym == XKB_KEY_NoSymbol ? std::nullopt : locate(sym, modifiers, keyboard);
}

std::optional<KeyCombination> DesktopSystemShortcuts::parseAccelerator(
    const QString &text, const XkbKeyboardLayout &keyboard)
{
    Qt::KeyboardModifiers modifiers;
    QStringView rest(text);
    while (rest.startsWith(u'<')) {
        const qsizetype end = rest.indexOf(u'>');
        if (end < 0) {
            return std::nullopt;
        }
        const QStringView name = rest.mid(1, end - 1);
        const auto is = [&](QLatin1StringView candidate) {
            return name.compare(candidate, Qt::CaseInsensitive) == 0;
        };
        if (is("Shift"_L1)) {
            modifiers |= Qt::ShiftModifier;
        } else if (is("Control"_L1) || is("Ctrl"_L1) || is("Primary"_L1) || is("Ctl"_L1)) {
            modifiers |= Qt::ControlModifier;
        } else if (is("Alt"_L1) || is("Mod1"_L1) || is("Meta"_L1)) {
            modifiers |= Qt::AltModifier;
        } else if (is("Super"_L1) || is("Mod4"_L1)) {
            modifiers |= Qt::MetaModifier;
        } else {
            return std::nullopt; // Hyper, Release and the like: nothing we can record
        }
        rest = rest.mid(end + 1);
    }
    if (rest.isEmpty()) {
        return std::nullopt;
    }
    // GNOME's name for the key above Tab, whatever it types.
    if (rest == "Above_Tab"_L1) {
        return KeyCombination { KEY_GRAVE, modifiers };
    }
    const QByteArray name = rest.toUtf8();
    xkb_keysym_t sym = xkb_keysym_from_name(name.constData(), XKB_KEYSYM_NO_FLAGS);
    if (sym == XKB_KEY_NoSymbol) {
        sym = xkb_keysym_from_name(name.constData(), XKB_KEYSYM_CASE_INSENSITIVE);
    }
    if (sym == XKB_KEY_NoSymbol) {
        return std::nullopt;
    }
    // GTK reads "<Super>S" as the s key.
    return locate(xkb_keysym_to_lower(sym), modifiers, keyboard);
}

QList<SystemShortcut> DesktopSystemShortcuts::parseKdeConfig(
    const QByteArray &text, const XkbKeyboardLayout &keyboard)
{
    QList<SystemShortcut> result;
    QString componentTitle;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        if (line.startsWith(u'[')) {
            // "[kwin]", or "[services][org.kde.konsole.desktop]" for launchers.
            const QString group = line.mid(1, line.lastIndexOf(u']') - 1);
            componentTitle = group.mid(group.lastIndexOf(u'[') + 1);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0) {
            continue;
        }
        const QString key = line.left(equals);
        const QString value = line.mid(equals + 1);
        if (key == "_k_friendly_name"_L1) {
            componentTitle = value;
            continue;
        }
        // "active,default,description"; several active sequences are tab-separated.
        const QStringList fields = splitKConfigList(value);
        const QString action = fields.size() > 2 && !fields.at(2).isEmpty() ? fields.at(2) : key;
        // Internal keys ("_launch") say nothing beyond their component.
        const QString title
            = action.startsWith(u'_') ? componentTitle : componentTitle + u": "_s + action;
        for (const QString &sequence : fields.at(0).split(u'\t', Qt::SkipEmptyParts)) {
            if (sequence == "none"_L1) {
                continue;
            }
            if (const auto parsed = parseQtKeySequence(sequence, keyboard)) {
                result.append({ *parsed, title });
            }
        }
    }
    return result;
}

QStringList DesktopSystemShortcuts::parseGVariantStrings(const QString &value)
{
    QStringList strings;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar quote = value.at(i);
        if (quote != u'\'' && quote != u'"') {
            continue;
        }
        QString item;
        for (++i; i < value.size() && value.at(i) != quote; ++i) {
            if (value.at(i) == u'\\' && i + 1 < value.size()) {
                ++i;
            }
            item += value.at(i);
        }
        strings.append(item);
    }
    return strings;
}

QList<SystemShortcut> DesktopSystemShortcuts::readKde() const
{
    QByteArray path = m_sources.kdeConfigPath;
    if (path.isEmpty()) {
        path = QFile::encodeName(
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + u"/kglobalshortcutsrc"_s);
    }
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return parseKdeConfig(file.readAll(), *m_keyboard);
}

QStringList DesktopSystemShortcuts::runGsettings(const QStringList &args) const
{
    QProcess process;
    process.start(m_sources.gsettings, args);
    if (!process.waitForFinished(kGsettingsTimeoutMs)
        || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

void DesktopSystemShortcuts::addGnomeBindings(
    const QStringList &lines, QList<SystemShortcut> *out) const
{
    // "schema key value", the value in GVariant text form.
    for (const QString &line : lines) {
        const QStringList parts = line.split(u' ');
        if (parts.size() < 3) {
            continue;
        }
        const QString key = parts.at(1);
        for (const QString &accelerator : parseGVariantStrings(parts.mid(2).join(u' '))) {
            if (const auto parsed = parseAccelerator(accelerator, *m_keyboard)) {
                out->append({ *parsed, key });
            }
        }
    }
}

QList<SystemShortcut> DesktopSystemShortcuts::readGnome() const
{
    static const QStringList schemas { u"org.gnome.desktop.wm.keybindings"_s,
        u"org.gnome.settings-daemon.plugins.media-keys"_s, u"org.gnome.shell.keybindings"_s,
        u"org.gnome.mutter.keybindings"_s, u"org.gnome.mutter.wayland.keybindings"_s };
    QList<SystemShortcut> result;
    for (const QString &schema : schemas) {
        addGnomeBindings(runGsettings({ u"list-recursively"_s, schema }), &result);
    }
    const QString customSchema = u"org.gnome.settings-daemon.plugins.media-keys"_s;
    const QStringList custom = runGsettings({ u"get"_s, customSchema, u"custom-keybindings"_s });
    for (const QString &path : parseGVariantStrings(custom.join(u' '))) {
        // Our own entry is no conflict with the shortcut it holds.
        if (path == QLatin1StringView(GnomeHotKeyBackend::entryPath)) {
            continue;
        }
        const QString relocatable = customSchema + u".custom-keybinding:"_s + path;
        const QStringList name = runGsettings({ u"get"_s, relocatable, u"name"_s });
        const QStringList binding = runGsettings({ u"get"_s, relocatable, u"binding"_s });
        const QString title = parseGVariantStrings(name.join(u' ')).value(0, path);
        for (const QString &accelerator : parseGVariantStrings(binding.join(u' '))) {
            if (const auto parsed = parseAccelerator(accelerator, *m_keyboard)) {
                result.append({ *parsed, title });
            }
        }
    }
    return result;
}

} // namespace KeyboardShortcuts
