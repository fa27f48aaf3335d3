// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/ShortcutCenter.h"

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/KeyboardLayout.h"
#include "shortcuts/NameLayer.h"

#include "core/UserDefaults.h"

namespace KeyboardShortcuts {

namespace {
ShortcutCenter *s_current = nullptr;
}

ShortcutCenter::ShortcutCenter(
    vantry::UserDefaults *store, HotKeyBackend *backend, KeyboardLayout *layout, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_backend(backend)
    , m_layout(layout)
    , m_nameLayer(std::make_unique<NameLayer>(backend))
{
    qRegisterMetaType<KeyboardShortcuts::Name>();
    qRegisterMetaType<KeyboardShortcuts::Shortcut>();
    s_current = this;
    followLayout();
    connect(&m_nameLayer->hotKeys(), &HotKeyDispatcher::refusalsChanged, this,
        &ShortcutCenter::hotKeyRegistrationChanged);
}

ShortcutCenter::~ShortcutCenter()
{
    if (s_current == this)
        s_current = nullptr;
    // Release the hot keys while the backend is still ours to talk to.
    m_nameLayer.reset();
}

ShortcutCenter *ShortcutCenter::current()
{
    return s_current;
}

vantry::UserDefaults *ShortcutCenter::store() const
{
    return m_store;
}

HotKeyBackend *ShortcutCenter::backend() const
{
    return m_backend;
}

KeyboardLayout *ShortcutCenter::layout() const
{
    return m_layout;
}

void ShortcutCenter::setLayout(KeyboardLayout *layout)
{
    if (m_layout)
        disconnect(m_layout, nullptr, this, nullptr);
    m_layout = layout;
    followLayout();
    Q_EMIT keyboardLayoutChanged();
}

void ShortcutCenter::followLayout()
{
    if (m_layout) {
        connect(
            m_layout, &KeyboardLayout::layoutChanged, this, &ShortcutCenter::keyboardLayoutChanged);
    }
}

void ShortcutCenter::setRecorderActive(bool isActive)
{
    m_recorderActive = isActive;
    m_nameLayer->hotKeys().setRecorderActive(isActive);
    Q_EMIT recorderActiveStatusDidChange(isActive);
}

} // namespace KeyboardShortcuts
