// SPDX-License-Identifier: GPL-3.0-or-later
// GIO first: its headers use "signals" as a name, which Qt defines as a keyword.
#include <gio/gio.h>

#include "shortcuts/backends/GnomeHotKeyBackend.h"

#include "core/Logging.h"
#include "shortcuts/backends/DesktopSystemShortcuts.h"
#include "shortcuts/backends/SystemShortcuts.h"
#include "shortcuts/backends/XkbKeyboardLayout.h"

#include <algorithm>
#include <vector>
#include <xkbcommon/xkbcommon.h>

using namespace Qt::StringLiterals;

namespace KeyboardShortcuts {

namespace {

QStringList stringList(GSettings *settings, const char *key)
{
    QStringList list;
    gchar **values = g_settings_get_strv(settings, key);
    for (gchar **value = values; value && *value; ++value) {
        list.append(QString::fromUtf8(*value));
    }
    g_strfreev(values);
    return list;
}

void setStringList(GSettings *settings, const char *key, const QStringList &list)
{
    std::vector<QByteArray> bytes;
    std::vector<const gchar *> values;
    for (const QString &item : list) {
        bytes.push_back(item.toUtf8());
    }
    for (const QByteArray &item : bytes) {
        values.push_back(item.constData());
    }
    values.push_back(nullptr);
    g_settings_set_strv(settings, key, values.data());
}

QString string(GSettings *settings, const char *key)
{
    gchar *value = g_settings_get_string(settings, key);
    const QString text = QString::fromUtf8(value);
    g_free(value);
    return text;
}

void setString(GSettings *settings, const char *key, const QString &value)
{
    // Writing an unchanged value would still wake every reader of the key.
    if (string(settings, key) != value) {
        g_settings_set_string(settings, key, value.toUtf8().constData());
    }
}

} // namespace

bool GnomeHotKeyBackend::isAvailable(const QStringList &desktops)
{
    if (!desktops.contains(u"GNOME"_s, Qt::CaseInsensitive)) {
        return false;
    }
    GSettingsSchemaSource *source = g_settings_schema_source_get_default();
    if (!source) {
        return false;
    }
    bool found = true;
    for (const char *id : { listSchema, entrySchema }) {
        GSettingsSchema *schema = g_settings_schema_source_lookup(source, id, TRUE);
        found = found && schema
            && g_settings_schema_has_key(
                schema, id == listSchema ? "custom-keybindings" : "binding");
        if (schema) {
            g_settings_schema_unref(schema);
        }
    }
    return found;
}

QString GnomeHotKeyBackend::toggleCommand(const QString &program)
{
    // The daemon splits the command as a shell would, without running one.
    const bool plain = !program.isEmpty()
        && std::all_of(program.begin(), program.end(),
            [](QChar c) { return c.isLetterOrNumber() || u"/._-+"_s.contains(c); });
    const QString quoted
        = plain ? program : u'\'' + QString(program).replace(u"'"_s, u"'\\''"_s) + u'\'';
    return quoted + u" --toggle"_s;
}

GnomeHotKeyBackend::GnomeHotKeyBackend(
    const XkbKeyboardLayout *keyboard, const QString &command, QObject *parent)
    : DesktopHotKeyBackend(parent)
    , m_keyboard(keyboard)
    , m_command(command)
{
    m_list = g_settings_new(listSchema);
    m_entry = g_settings_new_with_path(entrySchema, entryPath);
    g_signal_connect(m_list, "changed::custom-keybindings", G_CALLBACK(settingsChanged), this);
    g_signal_connect(m_entry, "changed::binding", G_CALLBACK(settingsChanged), this);
    m_syncTimer.setSingleShot(true);
    m_syncTimer.setInterval(0);
    connect(&m_syncTimer, &QTimer::timeout, this, &GnomeHotKeyBackend::sync);
}

GnomeHotKeyBackend::~GnomeHotKeyBackend()
{
    // A change made just before quitting still reaches the desktop.
    if (m_syncTimer.isActive()) {
        sync();
    }
    for (GSettings *settings : { m_list, m_entry }) {
        g_signal_handlers_disconnect_by_data(settings, this);
        g_object_unref(settings);
    }
    g_settings_sync();
}

QString GnomeHotKeyBackend::desktopSettingsPlace() const
{
    return tr("Settings → Keyboard → Keyboard Shortcuts → Custom Shortcuts");
}

QString GnomeHotKeyBackend::accelerator(KeyCombination combination) const
{
    const quint32 sym = m_keyboard ? m_keyboard->keysym(combination.keyCode) : XKB_KEY_NoSymbol;
    char name[64];
    if (sym == XKB_KEY_NoSymbol || xkb_keysym_get_name(sym, name, sizeof name) <= 0) {
        return {};
    }
    QString text;
    if (combination.modifiers & Qt::ShiftModifier) {
        text += "<Shift>"_L1;
    }
    if (combination.modifiers & Qt::ControlModifier) {
        text += "<Control>"_L1;
    }
    if (combination.modifiers & Qt::AltModifier) {
        text += "<Alt>"_L1;
    }
    if (combination.modifiers & Qt::MetaModifier) {
        text += "<Super>"_L1;
    }
    return text + QString::fromUtf8(name);
}

HotKeyBackend::Status GnomeHotKeyBackend::registerHotKey(quint32 id, KeyCombination combination)
{
    unregisterHotKey(id);
    if (accelerator(combination).isEmpty()) {
        return UnknownKey;
    }
    // One entry runs one command: a second combination has nowhere to go.
    for (const auto &[other, held] : m_registrations) {
        if (held != combination) {
            return RefusedByDesktop;
        }
    }
    // Never put on keys another shortcut holds (ours is not among them).
    if (systemShortcuts()) {
        if (const auto taken = systemShortcuts()->conflict(combination)) {
            qCInfo(lcShortcuts).noquote()
                << u"GNOME’s shortcut “%1” uses %2 already; ours is left out"_s.arg(
                       taken->title, accelerator(combination));
            return TakenByAnotherClient;
        }
    }
    m_registrations[id] = combination;
    scheduleSync();
    return NoError;
}

void GnomeHotKeyBackend::unregisterHotKey(quint32 id)
{
    if (m_registrations.erase(id)) {
        scheduleSync();
    }
}

void GnomeHotKeyBackend::scheduleSync()
{
    // A new shortcut comes as one removal and one addition: write only the outcome.
    m_syncTimer.start();
}

bool GnomeHotKeyBackend::isListed() const
{
    return stringList(m_list, "custom-keybindings").contains(QLatin1StringView(entryPath));
}

QString GnomeHotKeyBackend::currentBinding() const
{
    return isListed() ? string(m_entry, "binding") : QString();
}

void GnomeHotKeyBackend::sync()
{
    m_syncTimer.stop();
    const std::optional<KeyCombination> wanted
        = m_registrations.empty() ? std::nullopt : std::optional(m_registrations.begin()->second);
    const QString current = currentBinding();
    KeyCombination held; // key code 0: none
    if (!current.isEmpty() && m_keyboard) {
        held = DesktopSystemShortcuts::parseAccelerator(current, *m_keyboard).value_or(held);
    }
    const bool same = wanted && held == *wanted;
    // Changed in GNOME's Settings while we did not run: the user's choice stands.
    if (std::exchange(m_firstSync, false) && wanted && !current.isEmpty() && !same) {
        m_written = current;
        reportDesktopChange(current);
        return;
    }
    m_writing = true;
    QStringList list = stringList(m_list, "custom-keybindings");
    const QString path = QLatin1StringView(entryPath);
    if (!wanted) {
        // Only what is there is withdrawn: nothing is written on every start.
        if (list.removeAll(path) > 0 || !string(m_entry, "command").isEmpty()) {
            setStringList(m_list, "custom-keybindings", list);
            for (const char *key : { "name", "command", "binding" }) {
                g_settings_reset(m_entry, key);
            }
        }
        m_written.clear();
    } else {
        // The entry is complete before the daemon hears of it; the user's spelling of
        // the same keys ("<Primary>") stays.
        m_written = same ? current : accelerator(*wanted);
        setString(m_entry, "name", tr("Vantry: show or hide the shelf"));
        setString(m_entry, "command", m_command);
        setString(m_entry, "binding", m_written);
        if (!list.contains(path)) {
            setStringList(m_list, "custom-keybindings", list << path);
            qCInfo(lcShortcuts).noquote() << u"Filed %1 as GNOME custom shortcut %2"_s.arg(
                m_written, QLatin1StringView(entryPath));
            m_writing = false;
            Q_EMIT filedInDesktop();
        }
    }
    m_writing = false;
}

void GnomeHotKeyBackend::settingsChanged(_GSettings *, const char *, void *backend)
{
    static_cast<GnomeHotKeyBackend *>(backend)->onSettingsChanged();
}

void GnomeHotKeyBackend::onSettingsChanged()
{
    if (m_writing || m_written.isEmpty()) {
        return;
    }
    const QString current = currentBinding();
    if (current != m_written) {
        m_written = current;
        reportDesktopChange(current);
    }
}

void GnomeHotKeyBackend::reportDesktopChange(const QString &binding)
{
    std::optional<KeyCombination> combination;
    if (!binding.isEmpty() && m_keyboard) {
        combination = DesktopSystemShortcuts::parseAccelerator(binding, *m_keyboard);
        if (!combination) {
            qCInfo(lcShortcuts).noquote() << "GNOME binds our shortcut to" << binding
                                          << "which the recorder cannot show; left as it is";
            return;
        }
    }
    std::vector<quint32> ids;
    for (const auto &[id, held] : m_registrations) {
        ids.push_back(id);
    }
    for (const quint32 id : ids) {
        Q_EMIT changedInDesktop(id, combination);
    }
}

} // namespace KeyboardShortcuts
