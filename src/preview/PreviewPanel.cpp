// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewPanel.h"

#include "core/FileNameText.h"
#include "icons/SymbolIcons.h"
#include "preview/PreviewView.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
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
    , m_name(new QLabel(m_title))
    , m_close(new QToolButton(m_title))
    , m_view(new PreviewView(this))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(tr("Preview"));
    setAutoFillBackground(true);
    // The edge is painted in a colour between the window's and its text's, not in the
    // text colour a plain frame would use.
    setContentsMargins(1, 1, 1, 1);

    m_close->setAutoRaise(true);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setToolTip(tr("Close"));
    m_close->setAccessibleName(tr("Close"));
    m_close->setIconSize(QSize(12, 12));
    connect(m_close, &QToolButton::clicked, this, &QWidget::close);

    m_title->setAccessibleName(tr("Preview title bar"));
    m_title->installEventFilter(this);
    auto *titleLayout = new QHBoxLayout(m_title);
    titleLayout->setContentsMargins(8, 2, 4, 2);
    // Elided to the room there is: the label must not ask for the whole name.
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_name->setTextFormat(Qt::PlainText);
    m_name->setAttribute(Qt::WA_TransparentForMouseEvents);
    titleLayout->addWidget(m_name, 1);
    titleLayout->addWidget(m_close);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_title);
    layout->addWidget(m_view, 1);
    updateIcons();
}

void PreviewPanel::setPath(const QByteArray &path, const QSize &fitSize)
{
    const qsizetype slash = path.lastIndexOf('/');
    m_fullName = fileNameText(slash < 0 ? path : path.mid(slash + 1));
    // Whole for the tool tip and screen readers.
    m_name->setToolTip(m_fullName);
    m_name->setAccessibleName(m_fullName);
    elideName();
    m_view->setPath(path, fitSize);
}

void PreviewPanel::elideName()
{
    // The middle goes, so the extension stays in view.
    m_name->setText(m_name->fontMetrics().elidedText(m_fullName, Qt::ElideMiddle, m_name->width()));
}

void PreviewPanel::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    // The strip lays out its name now, not when it is next shown.
    m_title->layout()->activate();
    elideName();
}

void PreviewPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(previewShade(palette(), 0.3f));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
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
    if (event->type() == QEvent::FontChange)
        elideName();
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
