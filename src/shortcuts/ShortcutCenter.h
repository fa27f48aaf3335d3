// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Name.h"
#include "shortcuts/Shortcut.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace vantry {
class UserDefaults;
}

namespace KeyboardShortcuts {

class HotKeyBackend;
class KeyboardLayout;
class NameLayer;

// The module's one process-wide object: it holds the services the shortcut
// functions (KeyboardShortcuts.h) work with and carries the module's change
// signals. The app makes one at start-up; tests make one per case with their
// own store, a fake backend and a fixed layout. While it exists it is current().
class ShortcutCenter final : public QObject
{
    Q_OBJECT

public:
    /// Neither pointer is owned; all three must outlive the center or be null.
    ShortcutCenter(vantry::UserDefaults *store, HotKeyBackend *backend, KeyboardLayout *layout,
        QObject *parent = nullptr);
    ~ShortcutCenter() override;

    /// The center the free functions use; null before one is made.
    static ShortcutCenter *current();

    vantry::UserDefaults *store() const;
    HotKeyBackend *backend() const;
    KeyboardLayout *layout() const;
    /// Layouts can be swapped at run time (e.g. the Wayland session gained one later).
    void setLayout(KeyboardLayout *layout);

    /// Name layer and hot key layer; internal to the module.
    NameLayer &nameLayer() const { return *m_nameLayer; }

    /// Posts recorderActiveStatusDidChange; the recorder calls this as it starts and stops.
    void setRecorderActive(bool isActive);
    bool isRecorderActive() const { return m_recorderActive; }

Q_SIGNALS:
    /// "KeyboardShortcuts_shortcutByNameDidChange": emitted synchronously after the
    /// store was written for name.
    void shortcutByNameDidChange(const KeyboardShortcuts::Name &name);
    /// "KeyboardShortcuts_recorderActiveStatusDidChange".
    void recorderActiveStatusDidChange(bool isActive);
    /// The keyboard layout changed: shown key names may differ now.
    void keyboardLayoutChanged();
    /// The desktop accepted or refused a hot key (isRefusedByDesktop may differ now).
    void hotKeyRegistrationChanged();

private:
    void followLayout();

    QPointer<vantry::UserDefaults> m_store;
    QPointer<HotKeyBackend> m_backend;
    QPointer<KeyboardLayout> m_layout;
    std::unique_ptr<NameLayer> m_nameLayer;
    bool m_recorderActive = false;
};

} // namespace KeyboardShortcuts
