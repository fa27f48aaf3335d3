// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/ui/ShortcutRecorder.h"

#include <QWidget>

class QLabel;

namespace KeyboardShortcuts {

// Places a recorder for one name in a form, with a label before it or without one.
class RecorderHost final : public QWidget
{
    Q_OBJECT

public:
    /// No label: just the recorder.
    explicit RecorderHost(const Name &name, ShortcutRecorder::OnChange onChange = {},
        QWidget *parent = nullptr, RecorderServices *services = nullptr);
    /// A text label (pass it through tr()) that also names the recorder for assistive tools.
    RecorderHost(const QString &title, const Name &name, ShortcutRecorder::OnChange onChange = {},
        QWidget *parent = nullptr, RecorderServices *services = nullptr);
    /// Any widget as the label; the host takes it over.
    RecorderHost(const Name &name, ShortcutRecorder::OnChange onChange, QWidget *label,
        QWidget *parent = nullptr, RecorderServices *services = nullptr);

    ShortcutRecorder *recorder() const { return m_recorder; }
    /// The label widget, or null without one.
    QWidget *label() const { return m_label; }

    /// Shows another name (as ShortcutRecorder::setShortcutName).
    void setName(const Name &name);
    /// The note shown when the desktop did not accept the shortcut, or filed it in its
    /// own settings.
    QLabel *refusalNote() const { return m_note; }

private:
    void build(QWidget *label);
    void refreshNote();

    ShortcutRecorder *m_recorder = nullptr;
    QWidget *m_label = nullptr;
    QLabel *m_note = nullptr;
};

} // namespace KeyboardShortcuts
