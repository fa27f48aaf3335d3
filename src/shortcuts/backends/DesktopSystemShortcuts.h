// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/backends/SystemShortcuts.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <functional>
#include <utility>

namespace KeyboardShortcuts {

class XkbKeyboardLayout;

// The desktop's own global shortcuts: KDE's kglobalshortcutsrc, GNOME's key
// binding settings (through the gsettings command, custom bindings included),
// and on X11 a probe grab for combinations other programs hold.
class DesktopSystemShortcuts final : public SystemShortcuts
{
    Q_DECLARE_TR_FUNCTIONS(DesktopSystemShortcuts)

public:
    struct Sources
    {
        /// $XDG_CURRENT_DESKTOP's entries; which configurations count. Empty: all.
        QStringList desktops;
        /// KDE's configuration file; empty: $XDG_CONFIG_HOME/kglobalshortcutsrc.
        QByteArray kdeConfigPath;
        QString gsettings = QStringLiteral("gsettings");
        /// Whether another client holds the combination (X11 probe grab); may be empty.
        std::function<bool(KeyCombination combination)> grabProbe;
    };

    DesktopSystemShortcuts(const XkbKeyboardLayout *keyboard, Sources sources);
    /// Sources for this session: $XDG_CURRENT_DESKTOP, the default paths, no probe.
    static Sources sessionSources();

    QList<SystemShortcut> shortcuts() const override;
    std::optional<SystemShortcut> conflict(KeyCombination combination) const override;

    /// One of KDE's key sequences ("Meta+Shift+S").
    static std::optional<KeyCombination> parseQtKeySequence(
        const QString &text, const XkbKeyboardLayout &keyboard);
    /// One of GTK's accelerators ("<Super><Control>s").
    static std::optional<KeyCombination> parseAccelerator(
        const QString &text, const XkbKeyboardLayout &keyboard);
    /// Every binding of a kglobalshortcutsrc text.
    static QList<SystemShortcut> parseKdeConfig(
        const QByteArray &text, const XkbKeyboardLayout &keyboard);
    /// The strings of a GVariant text ("['<Super>a', '<Alt>b']", "'x'", "@as []").
    static QStringList parseGVariantStrings(const QString &value);

private:
    bool uses(const QString &family) const;
    QList<SystemShortcut> readKde() const;
    QList<SystemShortcut> readGnome() const;
    QStringList runGsettings(const QStringList &args) const;
    void addGnomeBindings(const QStringList &lines, QList<SystemShortcut> *out) const;

    const XkbKeyboardLayout *m_keyboard;
    Sources m_sources;
    mutable QList<SystemShortcut> m_cache;
    mutable QElapsedTimer m_cacheAge;
};

} // namespace KeyboardShortcuts
