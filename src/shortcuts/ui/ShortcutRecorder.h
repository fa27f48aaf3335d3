// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Name.h"
#include "shortcuts/Shortcut.h"

#include <QLineEdit>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QKeyEvent;

namespace KeyboardShortcuts {

class LocalEventMonitor;
class RecorderServices;

// The field in which the user sets the shortcut of one name. It shows the current
// shortcut; getting focus starts recording: the next acceptable key press becomes
// the name's shortcut after checks against the application's menus and the
// desktop's own shortcuts. The clear button or a delete key removes it. While it
// records, named shortcuts do not fire, so an assigned combination is recorded
// instead of run.
class ShortcutRecorder final : public QLineEdit
{
    Q_OBJECT

public:
    /// Called after the user changed the shortcut: the new one, or none when cleared.
    using OnChange = std::function<void(const std::optional<Shortcut> &)>;

    static constexpr int minimumWidth = 130;

    /// services null means RecorderServices::system().
    explicit ShortcutRecorder(const Name &name, OnChange onChange = {}, QWidget *parent = nullptr,
        RecorderServices *services = nullptr);
    ~ShortcutRecorder() override;

    Name shortcutName() const { return m_name; }
    /// Another name shows that name's shortcut; the same name changes nothing.
    void setShortcutName(const Name &name);

    bool isRecording() const { return m_recording; }
    /// Whether the clear button is shown (it is whenever there is text).
    bool isClearButtonShown() const;
    /// Presses the clear button if it is shown.
    void pressClearButton();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refreshText();
    void updateClearButton();
    void startRecording();
    void endRecording();
    void blur();
    void refocus();
    void watchWindow();
    void onTextCleared();
    bool filterEvent(QObject *receiver, QEvent *event);
    bool handleKeyPress(QKeyEvent *event);

    Name m_name;
    OnChange m_onChange;
    RecorderServices *m_services = nullptr;
    QAction *m_clearAction = nullptr;
    std::unique_ptr<LocalEventMonitor, void (*)(LocalEventMonitor *)> m_monitor;
    QPointer<QWidget> m_window;
    bool m_recording = false;
    bool m_refocusing = false;
};

} // namespace KeyboardShortcuts
