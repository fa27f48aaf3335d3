// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/backends/DesktopHotKeyBackend.h"

#include <QStringList>
#include <QTimer>

#include <map>

struct _GSettings;

namespace KeyboardShortcuts {

class XkbKeyboardLayout;

// GNOME before 48 has no GlobalShortcuts portal, but its settings daemon runs
// custom keyboard shortcuts, the ones Settings → Keyboard makes. There the
// shortcut is filed as one of those, under a path of our own, running
// "vantry --toggle": the desktop runs the command itself, so no press reaches
// this object and the running instance gets a toggle request. The entry stays
// through our menus and after we quit (a press then starts Vantry), is never
// put on keys another shortcut holds, and a change the user makes to it in
// GNOME's Settings comes back as changedInDesktop.
class GnomeHotKeyBackend final : public DesktopHotKeyBackend
{
    Q_OBJECT

public:
    static constexpr const char *listSchema = "org.gnome.settings-daemon.plugins.media-keys";
    static constexpr const char *entrySchema
        = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
    static constexpr const char *entryPath
        = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/vantry/";

    /// Whether desktops ($XDG_CURRENT_DESKTOP's entries) name GNOME and its settings
    /// daemon's schema is installed.
    static bool isAvailable(const QStringList &desktops);
    /// The command line that runs program with --toggle, quoted for GNOME's parser.
    static QString toggleCommand(const QString &program);

    /// keyboard names the keys; command is what the desktop runs on a press.
    GnomeHotKeyBackend(
        const XkbKeyboardLayout *keyboard, const QString &command, QObject *parent = nullptr);
    ~GnomeHotKeyBackend() override;

    Status registerHotKey(quint32 id, KeyCombination combination) override;
    void unregisterHotKey(quint32 id) override;
    QString name() const override { return QStringLiteral("gnome"); }
    bool keepsRegistrations() const override { return true; }
    QString desktopSettingsPlace() const override;

    /// GNOME's accelerator for a combination ("<Control><Super>s"); empty when the key
    /// has no name in the layout.
    QString accelerator(KeyCombination combination) const;
    /// Writes what is pending now rather than on the next turn of the event loop; with
    /// nothing registered, withdraws our entry.
    void sync();

private:
    void scheduleSync();
    static void settingsChanged(_GSettings *settings, const char *key, void *backend);
    /// Follows the user's changes to our entry in GNOME's settings.
    void onSettingsChanged();
    bool isListed() const;
    QString currentBinding() const;
    void reportDesktopChange(const QString &binding);

    const XkbKeyboardLayout *m_keyboard;
    QString m_command;
    std::map<quint32, KeyCombination> m_registrations;
    _GSettings *m_list = nullptr;
    _GSettings *m_entry = nullptr;
    QString m_written; // the binding we filed; empty while none is
    bool m_firstSync = true;
    bool m_writing = false;
    QTimer m_syncTimer;
};

} // namespace KeyboardShortcuts
