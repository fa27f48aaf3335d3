// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/ui/ShortcutRecorder.h"

#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/LocalEventMonitor.h"
#include "shortcuts/ui/MenuSearch.h"
#include "shortcuts/ui/RecorderServices.h"

#include <QAction>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QToolButton>

namespace KeyboardShortcuts {

namespace {

// Stopped first, deleted later: the monitor may be inside its own callback.
void releaseMonitor(LocalEventMonitor *monitor)
{
    if (monitor) {
        monitor->stopMonitoring();
        monitor->deleteLater();
    }
}

bool hasNoModifiers(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool hasCommandTypeModifiers(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

bool isFunctionKey(int key)
{
    return key >= Qt::Key_F1 && key <= Qt::Key_F35;
}

// Qt reports modifier keys as key presses of their own; they only begin a combination.
bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch:
    case Qt::Key_unknown:
        return true;
    default:
        return false;
    }
}

constexpr qint64 f12KeyCode = 111;

} // namespace

ShortcutRecorder::ShortcutRecorder(
    const Name &name, OnChange onChange, QWidget *parent, RecorderServices *services)
    : QLineEdit(parent)
    , m_name(name)
    , m_onChange(std::move(onChange))
    , m_services(services ? services : &RecorderServices::system())
    , m_monitor(nullptr, &releaseMonitor)
{
    setPlaceholderText(localizedString("record_shortcut"));
    setAlignment(Qt::AlignCenter);
    setMinimumWidth(minimumWidth);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    // Text only ever comes from recorded keys: no typing, pasting or input methods.
    setContextMenuPolicy(Qt::NoContextMenu);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setDragEnabled(false);
    setAcceptDrops(false);
    setAccessibleName(localizedString("record_shortcut"));

    QIcon clearIcon = QIcon::fromTheme(QStringLiteral("edit-clear"));
    if (clearIcon.isNull())
        clearIcon = style()->standardIcon(QStyle::SP_LineEditClearButton, nullptr, this);
    m_clearAction = addAction(clearIcon, QLineEdit::TrailingPosition);
    m_clearAction->setToolTip(tr("Clear"));
    // The line edit's icon button has no text a screen reader could read.
    for (auto *button : findChildren<QToolButton *>()) {
        if (button->defaultAction() == m_clearAction)
            button->setAccessibleName(tr("Clear shortcut"));
    }
    connect(m_clearAction, &QAction::triggered, this, [this] {
        setText(QString());
        onTextCleared();
    });

    refreshText();
    if (ShortcutCenter *center = ShortcutCenter::current()) {
        connect(
            center, &ShortcutCenter::shortcutByNameDidChange, this, [this](const Name &changed) {
                if (changed.rawValue() == m_name.rawValue())
                    refreshText();
            });
        connect(center, &ShortcutCenter::keyboardLayoutChanged, this, [this] {
            if (!m_recording)
                refreshText();
        });
    }
}

ShortcutRecorder::~ShortcutRecorder()
{
    // Never leave the named shortcuts suspended behind us.
    if (m_recording)
        endRecording();
}

void ShortcutRecorder::setShortcutName(const Name &name)
{
    const bool differs = name.rawValue() != m_name.rawValue();
    m_name = name;
    if (differs)
        refreshText();
}

bool ShortcutRecorder::isClearButtonShown() const
{
    return m_clearAction->isVisible();
}

void ShortcutRecorder::pressClearButton()
{
    if (isClearButtonShown())
        m_clearAction->trigger();
}

QSize ShortcutRecorder::sizeHint() const
{
    QSize size = QLineEdit::sizeHint();
    const int textWidth
        = fontMetrics().horizontalAdvance(text().isEmpty() ? placeholderText() : text());
    // Room for the text centred between two clear-button widths, so it stays centred.
    const int wanted = textWidth + 2 * (size.height() + 4);
    size.setWidth(qMax(minimumWidth, wanted));
    return size;
}

QSize ShortcutRecorder::minimumSizeHint() const
{
    QSize size = QLineEdit::minimumSizeHint();
    size.setWidth(qMax(size.width(), minimumWidth));
    return size;
}

void ShortcutRecorder::refreshText()
{
    const auto shortcut = getShortcut(m_name);
    setText(shortcut ? shortcut->displayText() : QString());
    updateClearButton();
    updateGeometry();
}

void ShortcutRecorder::updateClearButton()
{
    m_clearAction->setVisible(!text().isEmpty());
}

void ShortcutRecorder::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    // Focus handed over because the window became active is not the user's choice:
    // never be the first field of a window that opens or comes back.
    if (event->reason() == Qt::ActiveWindowFocusReason && !m_refocusing) {
        QTimer::singleShot(0, this, [this] {
            if (hasFocus() && !m_recording)
                clearFocus();
        });
        return;
    }
    m_refocusing = false;
    startRecording();
}

void ShortcutRecorder::focusOutEvent(QFocusEvent *event)
{
    // Losing focus to our own alert is expected; refocus() picks up afterwards.
    endRecording();
    QLineEdit::focusOutEvent(event);
}

void ShortcutRecorder::mousePressEvent(QMouseEvent *event)
{
    // Focused by the window but not recording yet: a click is the user's choice.
    if (hasFocus() && !m_recording) {
        m_refocusing = false;
        startRecording();
    }
    QLineEdit::mousePressEvent(event);
}

void ShortcutRecorder::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    // A focused line edit with centred text hides its placeholder; an empty field
    // that records must still say so.
    if (!m_recording || !text().isEmpty())
        return;
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(area, Qt::AlignCenter,
        fontMetrics().elidedText(placeholderText(), Qt::ElideRight, area.width()));
}

void ShortcutRecorder::hideEvent(QHideEvent *event)
{
    endRecording();
    QLineEdit::hideEvent(event);
}

bool ShortcutRecorder::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show)
        watchWindow();
    return QLineEdit::event(event);
}

void ShortcutRecorder::watchWindow()
{
    QWidget *current = window();
    if (current == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = current;
    if (m_window && m_window != this)
        m_window->installEventFilter(this);
}

bool ShortcutRecorder::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::WindowDeactivate && m_recording) {
        endRecording();
        clearFocus();
    }
    return QLineEdit::eventFilter(watched, event);
}

void ShortcutRecorder::startRecording()
{
    if (m_recording)
        return;
    m_recording = true;
    setPlaceholderText(localizedString("press_shortcut"));
    updateClearButton();
    // A read-only line edit draws no caret.
    setReadOnly(true);
    setHandlersSuspended(true);
    if (ShortcutCenter *center = ShortcutCenter::current())
        center->setRecorderActive(true);
    m_monitor.reset(new LocalEventMonitor(
        { QEvent::KeyPress, QEvent::ShortcutOverride, QEvent::MouseButtonRelease },
        [guard = QPointer<ShortcutRecorder>(this)](QObject *receiver, QEvent *event) {
            // Gone: swallow what was meant for it.
            return guard ? guard->filterEvent(receiver, event) : true;
        }));
    m_monitor->startMonitoring();
}

void ShortcutRecorder::endRecording()
{
    if (!m_recording)
        return;
    m_recording = false;
    m_monitor.reset();
    setPlaceholderText(localizedString("record_shortcut"));
    updateClearButton();
    setReadOnly(false);
    setHandlersSuspended(false);
    if (ShortcutCenter *center = ShortcutCenter::current())
        center->setRecorderActive(false);
}

void ShortcutRecorder::blur()
{
    if (hasFocus())
        clearFocus();
    else
        endRecording();
}

void ShortcutRecorder::refocus()
{
    m_refocusing = true;
    if (QWidget *w = window())
        w->activateWindow();
    setFocus(Qt::OtherFocusReason);
    if (hasFocus() && !m_recording) {
        // Focus was already here (the window stayed active): record again.
        m_refocusing = false;
        startRecording();
    }
}

void ShortcutRecorder::onTextCleared()
{
    if (text().isEmpty()) {
        KeyboardShortcuts::setShortcut(std::nullopt, m_name);
        if (m_onChange)
            m_onChange(std::nullopt);
    }
    updateClearButton();
    if (text().isEmpty())
        refocus();
}

bool ShortcutRecorder::filterEvent(QObject *receiver, QEvent *event)
{
    if (!m_recording)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton)
            return false;
        const QPoint local = mapFromGlobal(mouse->globalPosition().toPoint());
        if (!rect().adjusted(-3, -3, 3, 3).contains(local))
            blur();
        // Clicks on the field itself go on, so its clear button keeps working.
        return false;
    }
    case QEvent::ShortcutOverride:
        // Claim every key, so that menu and window shortcuts reach us instead of firing.
        if (receiver == this)
            event->accept();
        return receiver == this;
    case QEvent::KeyPress:
        return handleKeyPress(static_cast<QKeyEvent *>(event));
    default:
        return true;
    }
}

bool ShortcutRecorder::handleKeyPress(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const int key = event->key();

    if (isModifierKey(key))
        return true;
    if (key == Qt::Key_Tab && hasNoModifiers(modifiers)) {
        focusNextChild();
        return true;
    }
    if (key == Qt::Key_Escape && hasNoModifiers(modifiers)) {
        blur();
        return true;
    }
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && hasNoModifiers(modifiers)) {
        pressClearButton();
        return true;
    }
    if (!hasCommandTypeModifiers(modifiers) && !isFunctionKey(key)) {
        m_services->beep();
        return true;
    }

    const auto shortcut = Shortcut::fromKeyEvent(event);
    if (!shortcut) {
        m_services->beep();
        return true;
    }

    if (QAction *action = MenuSearch::findAction(*shortcut, m_services->menus())) {
        blur();
        m_services->showAlert(this,
            localizedString("keyboard_shortcut_used_by_menu_item")
                .arg(MenuSearch::displayTitle(action)));
        refocus();
        return true;
    }

    const bool isPlainF12
        = shortcut->carbonKeyCode() == f12KeyCode && shortcut->carbonModifiers() == 0;
    if (!isPlainF12 && m_services->isSystemShortcut(*shortcut)) {
        blur();
        const bool force
            = m_services->askAlert(this, localizedString("keyboard_shortcut_used_by_system"),
                localizedString("keyboard_shortcuts_can_be_changed"), localizedString("ok"),
                localizedString("force_use_shortcut"));
        refocus();
        if (!force)
            return true;
    }

    setText(shortcut->displayText());
    updateClearButton();
    updateGeometry();
    KeyboardShortcuts::setShortcut(*shortcut, m_name);
    if (m_onChange)
        m_onChange(*shortcut);
    blur();
    return true;
}

} // namespace KeyboardShortcuts
