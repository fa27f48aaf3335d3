// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewPanel.h"

#include "icons/SymbolIcons.h"
#include "preview/PreviewView.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace vantry {

namespace {
Qt::WindowFlags panelFlags()
{
    // A tool-tip type window with a transient parent is what Qt's Wayland backend makes an
    // xdg_popup without a keyboard grab.
    if (PreviewPanel::isParentedPopup())
        return Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
    return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
        | Qt::WindowDoesNotAcceptFocus;
}
} // namespace

bool PreviewPanel::isParentedPopup()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

PreviewPanel::PreviewPanel(QWidget *parent)
    : QFrame(parent, panelFlags())
    , m_title(new QWidget(this))
    , m_close(new QToolButton(m_title))
    , m_view(new PreviewView(this))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(tr("Preview"));
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);

    m_close->setAutoRaise(true);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setToolTip(tr("Close"));
    m_close->setAccessibleName(tr("Close"));
    m_close->setIconSize(QSize(12, 12));
    connect(m_close, &QToolButton::clicked, this, &QWidget::close);

    m_title->setAccessibleName(tr("Preview title bar"));
    m_title->installEventFilter(this);
    auto *titleLayout = new QHBoxLayout(m_title);
    titleLayout->setContentsMargins(4, 2, 4, 2);
    titleLayout->addStretch();
    titleLayout->addWidget(m_close);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_title);
    layout->addWidget(m_view, 1);
    updateIcons();
}

int PreviewPanel::titleHeight() const
{
    return m_title->sizeHint().height();
}

void PreviewPanel::holdPosition(std::optional<QPoint> pos)
{
    m_heldPosition = pos;
}

void PreviewPanel::moveEvent(QMoveEvent *event)
{
    // Some window managers place a window that is mapped again as if it were new.
    if (m_heldPosition && event->pos() != *m_heldPosition) {
        const QPoint wanted = *m_heldPosition;
        m_heldPosition.reset();
        move(wanted);
    }
    QFrame::moveEvent(event);
}

void PreviewPanel::updateIcons()
{
    m_close->setIcon(symbolIcon(Symbol::xmark, palette()));
}

void PreviewPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        updateIcons();
    QFrame::changeEvent(event);
}

bool PreviewPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_title)
        return QFrame::eventFilter(watched, event);
    // The title strip moves the panel, through the window manager where it can.
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        // A popup stays where the compositor keeps it, beside the shelf.
        if (mouse->button() != Qt::LeftButton || isParentedPopup())
            break;
        m_heldPosition.reset();
        if (windowHandle() && windowHandle()->startSystemMove())
            return true;
        m_dragging = true;
        m_dragOffset = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            move(mouse->globalPosition().toPoint() - m_dragOffset);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace vantry
