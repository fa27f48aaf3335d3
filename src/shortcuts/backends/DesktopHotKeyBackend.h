// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <memory>

namespace KeyboardShortcuts {

class SystemShortcuts;

// What the desktop backends share: the desktop's own shortcuts, answered from
// a SystemShortcuts source the factory hands in.
class DesktopHotKeyBackend : public HotKeyBackend
{
    Q_OBJECT

public:
    using HotKeyBackend::HotKeyBackend;

    void setSystemShortcuts(std::shared_ptr<const SystemShortcuts> systemShortcuts);
    const std::shared_ptr<const SystemShortcuts> &systemShortcuts() const
    {
        return m_systemShortcuts;
    }
    QList<KeyCombination> systemHotKeys() const override;
    bool isSystemHotKey(KeyCombination combination) const override;

private:
    std::shared_ptr<const SystemShortcuts> m_systemShortcuts;
};

// Where neither an X server nor a GlobalShortcuts portal is there: every
// registration is refused, so the error line says why the shortcut is dead.
class NullHotKeyBackend final : public DesktopHotKeyBackend
{
    Q_OBJECT

public:
    using DesktopHotKeyBackend::DesktopHotKeyBackend;

    Status registerHotKey(quint32, KeyCombination) override { return NoService; }
    void unregisterHotKey(quint32) override { }
    QString name() const override { return QStringLiteral("none"); }
};

} // namespace KeyboardShortcuts
