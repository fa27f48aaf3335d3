// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardShortcuts/ui/GlobalKeyboardShortcut.h"

#include "KeyboardShortcuts/KeyboardShortcuts.h"

#include <QAbstractButton>
#include <QAction>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <optional>

namespace KeyboardShortcuts {

namespace {

// Subscribes to a name's events while its view is shown.
class ShortcutHook final : public QObject
{
public:
    ShortcutHook(QWidget *view, const Name &name, std::optional<EventType> only,
        std::function<void(EventType)> perform)
        : QObject(view)
        , m_view(view)
        , m_name(name)
        , m_only(only)
        , m_perform(std::move(perform))
    {
        view->installEventFilter(this);
        if (view->isVisible())
            subscribe();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_view) {
            if (event->type() == QEvent::Show)
                subscribe();
            else if (event->type() == QEvent::Hide)
                unsubscribe();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void subscribe()
    {
        if (m_stream)
            return;
        m_stream = m_only ? events(*m_only, m_name, this) : events(m_name, this);
        if (m_stream)
            connect(m_stream, &EventStream::triggered, this, [this](EventType type) {
                if (m_perform)
                    m_perform(type);
            });
    }

    void unsubscribe() { delete m_stream.data(); }

    QWidget *m_view;
    Name m_name;
    std::optional<EventType> m_only;
    std::function<void(EventType)> m_perform;
    QPointer<EventStream> m_stream;
};

} // namespace

GlobalKeyboardShortcut::GlobalKeyboardShortcut(QAction *action, const Name &name)
    : GlobalKeyboardShortcut(
        action, name, [action](const QKeySequence &sequence) { action->setShortcut(sequence); })
{ }

GlobalKeyboardShortcut::GlobalKeyboardShortcut(QAbstractButton *button, const Name &name)
    : GlobalKeyboardShortcut(
        button, name, [button](const QKeySequence &sequence) { button->setShortcut(sequence); })
{ }

GlobalKeyboardShortcut::GlobalKeyboardShortcut(
    QObject *target, const Name &name, std::function<void(const QKeySequence &)> apply)
    : QObject(target)
    , m_name(name)
    , m_apply(std::move(apply))
{
    if (ShortcutCenter *center = ShortcutCenter::current()) {
        m_isRecorderActive = center->isRecorderActive();
        connect(
            center, &ShortcutCenter::shortcutByNameDidChange, this, [this](const Name &changed) {
                if (changed.rawValue() == m_name.rawValue())
                    refresh();
            });
        connect(center, &ShortcutCenter::recorderActiveStatusDidChange, this, [this](bool active) {
            m_isRecorderActive = active;
            refresh();
        });
    }
    refresh();
}

QKeySequence GlobalKeyboardShortcut::keySequence() const
{
    return m_applied;
}

void GlobalKeyboardShortcut::refresh()
{
    QKeySequence sequence;
    if (!m_isRecorderActive) {
        if (const auto shortcut = getShortcut(m_name))
            sequence = shortcut->keySequence();
    }
    m_applied = sequence;
    m_apply(sequence);
}

GlobalKeyboardShortcut *globalKeyboardShortcut(QAction *action, const Name &name)
{
    return new GlobalKeyboardShortcut(action, name);
}

GlobalKeyboardShortcut *globalKeyboardShortcut(QAbstractButton *button, const Name &name)
{
    return new GlobalKeyboardShortcut(button, name);
}

void onKeyboardShortcut(QWidget *view, const Name &name, std::function<void(EventType)> perform)
{
    new ShortcutHook(view, name, std::nullopt, std::move(perform));
}

void onKeyboardShortcut(
    QWidget *view, const Name &name, EventType type, std::function<void()> perform)
{
    new ShortcutHook(view, name, type, [perform = std::move(perform)](EventType) {
        if (perform)
            perform();
    });
}

} // namespace KeyboardShortcuts
