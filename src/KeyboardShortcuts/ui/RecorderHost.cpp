// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardShortcuts/ui/RecorderHost.h"

#include <QHBoxLayout>
#include <QLabel>

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

void RecorderHost::build(QWidget *label)
{
    m_label = label;
    setFocusProxy(m_recorder);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (label)
        layout->addWidget(label, 0, Qt::AlignVCenter);
    layout->addWidget(m_recorder, 0, Qt::AlignVCenter);
    layout->addStretch(1);
}

} // namespace KeyboardShortcuts
