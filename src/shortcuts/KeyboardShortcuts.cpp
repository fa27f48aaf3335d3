// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/KeyboardShortcuts.h"

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/NameLayer.h"

#include "core/UserDefaults.h"

#include <QSet>

namespace KeyboardShortcuts {

namespace {

NameLayer *nameLayer()
{
    ShortcutCenter *center = ShortcutCenter::current();
    return center ? &center->nameLayer() : nullptr;
}

vantry::UserDefaults *store()
{
    ShortcutCenter *center = ShortcutCenter::current();
    return center ? center->store() : nullptr;
}

// Only a string holding the JSON of a shortcut counts; the disabled marker
// ("false" once read back), other values and broken text read as none.
std::optional<Shortcut> storedShortcut(const Name &name)
{
    const vantry::UserDefaults *defaults = store();
    if (!defaults)
        return std::nullopt;
    const QVariant value = defaults->value(name.defaultsKey());
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return Shortcut::fromJson(value.toString().toUtf8());
}

} // namespace

std::optional<Shortcut> getShortcut(const Name &name)
{
    return storedShortcut(name);
}

void setShortcut(const std::optional<Shortcut> &shortcut, const Name &name)
{
    ShortcutCenter *center = ShortcutCenter::current();
    vantry::UserDefaults *defaults = store();
    if (!center || !defaults)
        return;
    NameLayer &layer = center->nameLayer();

    if (shortcut) {
        const QString json = QString::fromUtf8(shortcut->toJson());
        // Uninstalled even when equal to the new one, which is then installed afresh.
        if (const auto old = storedShortcut(name))
            layer.uninstallUnlessShared(*old, name);
        layer.installShortcut(*shortcut);
        defaults->setValue(name.defaultsKey(), json);
        Q_EMIT center->shortcutByNameDidChange(name);
        return;
    }

    const auto current = storedShortcut(name);
    if (!current)
        return;
    if (name.defaultShortcut())
        defaults->setValue(name.defaultsKey(), false); // the default must not come back
    else
        defaults->remove(name.defaultsKey());
    layer.uninstallUnlessShared(*current, name);
    Q_EMIT center->shortcutByNameDidChange(name);
}

void reset(const QList<Name> &names)
{
    for (const Name &name : names)
        setShortcut(name.defaultShortcut(), name);
}

void onKeyDown(const Name &name, std::function<void()> action)
{
    if (NameLayer *layer = nameLayer())
        layer->onKeyDown(name, std::move(action));
}

void onKeyUp(const Name &name, std::function<void()> action)
{
    if (NameLayer *layer = nameLayer())
        layer->onKeyUp(name, std::move(action));
}

bool handlersSuspended()
{
    const NameLayer *layer = nameLayer();
    return layer && layer->handlersSuspended();
}

void setHandlersSuspended(bool suspended)
{
    if (NameLayer *layer = nameLayer())
        layer->setHandlersSuspended(suspended);
}

bool isSystemShortcut(const Shortcut &shortcut)
{
    NameLayer *layer = nameLayer();
    return layer && layer->hotKeys().isSystemHotKey(shortcut);
}

bool isRefusedByDesktop(const Name &name)
{
    return desktopRefusal(name).has_value();
}

std::optional<HotKeyBackend::Status> desktopRefusal(const Name &name)
{
    NameLayer *layer = nameLayer();
    const auto shortcut = getShortcut(name);
    return layer && shortcut ? layer->hotKeys().refusal(*shortcut) : std::nullopt;
}

QString desktopSettingsPlace(const Name &name)
{
    const ShortcutCenter *center = ShortcutCenter::current();
    if (!center || !center->backend() || !getShortcut(name) || isRefusedByDesktop(name))
        return {};
    return center->backend()->desktopSettingsPlace();
}

QList<Shortcut> systemSymbolicShortcuts()
{
    NameLayer *layer = nameLayer();
    return layer ? layer->hotKeys().systemHotKeys() : QList<Shortcut> {};
}

} // namespace KeyboardShortcuts
