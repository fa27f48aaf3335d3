// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

namespace MenuBarExtraAccess {

class PresentedFlag;
class StatusItem;
class ObserverContainer;

// Ties a status item, found by its index among this process's status items, to a
// presented flag owned by the caller:
// - hands the status item once to the caller's callback;
// - the flag follows the drop-down window: true when it is shown or becomes active,
//   false when it loses activation (the window is then closed) or is hidden;
// - writing the flag opens or closes the window by clicking the status item, and
//   only when the window is not already in the wanted state.
// Nothing is held between events: every handler looks the item and window up again.
class MenuBarExtraAccess final : public QObject
{
    Q_OBJECT

public:
    using Introspection = std::function<void(StatusItem *)>;

    MenuBarExtraAccess(std::int64_t index, PresentedFlag *isPresented, Introspection callback,
        QObject *parent = nullptr);
    ~MenuBarExtraAccess() override;

    std::int64_t index() const { return m_index; }

    /// Sets up (again) the observers, each as a task queued on the main thread. The callback is
    /// scheduled by the first call only; later calls replace the observers.
    void setupObservers();

private:
    StatusItem *findStatusItem() const;
    QWidget *findWindow() const;
    void onPresentedChanged(bool presented);
    void onButtonState(bool on);
    void windowDidBecomeKey(QWidget *window);
    void windowDidResignKey(QWidget *window);

    std::int64_t m_index;
    QPointer<PresentedFlag> m_isPresented;
    Introspection m_callback;
    std::unique_ptr<ObserverContainer> m_observerContainer;
};

} // namespace MenuBarExtraAccess
