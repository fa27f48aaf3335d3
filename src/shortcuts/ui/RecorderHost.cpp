// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/ui/RecorderHost.h"

#include "shortcuts/KeyboardShortcuts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace KeyboardShortcuts {

RecorderHost::RecorderHost(const Name &name, ShortcutRecorder::OnChange onChange, QWidget *parent,
    RecorderServices *services)
    : QWidget(parent)
    , m_recorder(new ShortcutRecorder(name, std::move(onChange), this, services))
{
    build(nullptr);
}

RecorderHost::RecorderHost(const QString &title, const Name &name,
    ShortcutRecorder::OnChange onChange, QWidget *parent, RecorderServices *services)
    : QWidget(parent)
    , m_recorder(new ShortcutRecorder(name, std::move(onChange), this, services))
{
    auto *label = new QLabel(title, this);
    label->setBuddy(m_recorder);
    m_recorder->setAccessibleName(title);
    build(label);
}

RecorderHost::RecorderHost(const Name &name, ShortcutRecorder::OnChange onChange, QWidget *label,
    QWidget *parent, RecorderServices *services)
    : QWidget(parent)
    , m_recorder(new ShortcutRecorder(name, std::move(onChange), this, services))
{
    if (label) {
        label->setParent(this);
        if (auto *text = qobject_cast<QLabel *>(label))
            text->setBuddy(m_recorder);
    }
    build(label);
}

void RecorderHost::setName(const Name &name)
{
    m_recorder->setShortcutName(name);
    refreshNote();
}

void RecorderHost::build(QWidget *label)
{
    m_label = label;
    setFocusProxy(m_recorder);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto *layout = new QHBoxLayout;
    if (label)
        layout->addWidget(label, 0, Qt::AlignVCenter);
    layout->addWidget(m_recorder, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    column->addLayout(layout);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("refusalNote"));
    m_note->setWordWrap(true);
    m_note->setVisible(false);
    column->addWidget(m_note);

    if (ShortcutCenter *center = ShortcutCenter::current()) {
        connect(
            center, &ShortcutCenter::hotKeyRegistrationChanged, this, &RecorderHost::refreshNote);
        connect(center, &ShortcutCenter::shortcutByNameDidChange, this, &RecorderHost::refreshNote);
    }
    refreshNote();
}

void RecorderHost::refreshNote()
{
    const Name name = m_recorder->shortcutName();
    const auto refusal = desktopRefusal(name);
    const QString place = desktopSettingsPlace(name);
    if (refusal == HotKeyBackend::TakenByAnotherClient) {
        m_note->setText(tr("The desktop or another program already uses these keys, and Vantry "
                           "left that shortcut as it is. Choose other keys, or free these in the "
                           "desktop’s keyboard settings."));
    } else if (refusal) {
        m_note->setText(tr("The desktop did not accept this shortcut. To use it, bind the "
                           "command “vantry” to it in the desktop’s keyboard settings."));
    } else if (!place.isEmpty()) {
        m_note->setText(tr("Vantry added this shortcut to the desktop’s own keyboard shortcuts, "
                           "where you can also change it: %1.")
                            .arg(place));
    }
    m_note->setVisible(refusal || !place.isEmpty());
}

} // namespace KeyboardShortcuts
