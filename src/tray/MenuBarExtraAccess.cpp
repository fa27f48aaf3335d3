// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/MenuBarExtraAccess.h"

#include "tray/ObserverContainer.h"
#include "tray/PresentedFlag.h"
#include "tray/StatusItem.h"
#include "tray/StatusItems.h"

#include <QWidget>

namespace MenuBarExtraAccess {

MenuBarExtraAccess::MenuBarExtraAccess(
    std::int64_t index, PresentedFlag *isPresented, Introspection callback, QObject *parent)
    : QObject(parent)
    , m_index(index)
    , m_isPresented(isPresented)
    , m_callback(std::move(callback))
    , m_observerContainer(std::make_unique<ObserverContainer>())
{
    if (isPresented)
        connect(
            isPresented, &PresentedFlag::changed, this, &MenuBarExtraAccess::onPresentedChanged);
}

MenuBarExtraAccess::~MenuBarExtraAccess() = default;

StatusItem *MenuBarExtraAccess::findStatusItem() const
{
    return statusItem(StatusItemIdentity::index(m_index));
}

QWidget *MenuBarExtraAccess::findWindow() const
{
    return menuBarExtraWindow(StatusItemIdentity::index(m_index));
}

void MenuBarExtraAccess::setupObservers()
{
    ObserverContainer &c = *m_observerContainer;

    if (!c.statusItemIntrospectionSetup) {
        c.statusItemIntrospectionSetup = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (StatusItem *item = findStatusItem(); item && m_callback)
                    m_callback(item);
            },
            Qt::QueuedConnection);
    }

    QMetaObject::invokeMethod(
        this,
        [this] {
            StatusItem *item = findStatusItem();
            m_observerContainer->observer = item && item->hasButton()
                ? std::make_unique<ButtonStateObserver>(
                    item, [this](bool on) { onButtonState(on); })
                : nullptr;
        },
        Qt::QueuedConnection);

    QMetaObject::invokeMethod(
        this,
        [this] {
            auto isOurWindow = [this](const QWidget *w) { return w && w == findWindow(); };
            // Drop the old subscriptions first so no event reaches both.
            m_observerContainer->windowDidBecomeKeyObserver.reset();
            m_observerContainer->windowDidResignKeyObserver.reset();
            m_observerContainer->windowDidBecomeKeyObserver
                = std::make_unique<WindowSubscription>(WindowSubscription::Kind::BecameKey,
                    isOurWindow, [this](QWidget *w) { windowDidBecomeKey(w); });
            m_observerContainer->windowDidResignKeyObserver
                = std::make_unique<WindowSubscription>(WindowSubscription::Kind::ResignedKey,
                    isOurWindow, [this](QWidget *w) { windowDidResignKey(w); });
        },
        Qt::QueuedConnection);
}

void MenuBarExtraAccess::onPresentedChanged(bool presented)
{
    if (StatusItem *item = findStatusItem())
        item->setPresented(presented);
}

void MenuBarExtraAccess::onButtonState(bool on)
{
    StatusItem *item = findStatusItem();
    // Window-style items are kept in step by the window handlers instead.
    if (!item || !isMenuBased(item) || !item->hasButton())
        return;
    if (m_isPresented && m_isPresented->value() != on)
        m_isPresented->setValue(on);
}

void MenuBarExtraAccess::windowDidBecomeKey(QWidget *)
{
    if (StatusItem *item = findStatusItem(); item && item->hasButton())
        item->setState(true);
    if (m_isPresented)
        m_isPresented->setValue(true);
}

void MenuBarExtraAccess::windowDidResignKey(QWidget *window)
{
    if (window->isVisible())
        window->close();
    if (StatusItem *item = findStatusItem(); item && item->hasButton())
        item->setState(false);
    if (m_isPresented)
        m_isPresented->setValue(false);
}

} // namespace MenuBarExtraAccess
