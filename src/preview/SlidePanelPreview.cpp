// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/SlidePanelPreview.h"

#include "core/Logging.h"
#include "platform/wayland/LayerShell.h"
#include "preview/PreviewPanel.h"
#include "preview/PreviewPlacement.h"
#include "preview/PreviewView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWindow>

namespace vantry {

namespace {

constexpr int slideDuration = 180; // ms

// The chosen side, or the other one when only that one has room for the panel.
PreviewSide sideWithRoom(const QRect &anchor, PreviewSide side, int width, const QRect &area)
{
    const bool roomRight
        = anchor.x() + anchor.width() + previewPanelGap + width <= area.x() + area.width();
    const bool roomLeft = anchor.x() - previewPanelGap - width >= area.x();
    if (side == PreviewSide::right && !roomRight && roomLeft)
        return PreviewSide::left;
    if (side == PreviewSide::left && !roomLeft && roomRight)
        return PreviewSide::right;
    return side;
}

bool isEscape(const QEvent *event)
{
    const auto *key = static_cast<const QKeyEvent *>(event);
    return key->key() == Qt::Key_Escape;
}

} // namespace

// Watches every key event of the application from the first preview on. Escape hides a
// visible panel and goes no further; while no panel is visible it passes on untouched, so
// the rename field, the error banner and the shortcut recorder keep their Escape.
class SlidePanelPreview::EscapeFilter final : public QObject
{
public:
    explicit EscapeFilter(SlidePanelPreview *owner)
        : QObject(owner)
        , m_owner(owner)
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if ((type != QEvent::KeyPress && type != QEvent::ShortcutOverride) || !isEscape(event))
            return QObject::eventFilter(watched, event);
        PreviewPanel *panel = m_owner ? m_owner->panel() : nullptr;
        if (!panel || !panel->isVisible())
            return QObject::eventFilter(watched, event);
        if (type == QEvent::ShortcutOverride) {
            // Claim the key before any Escape shortcut does; the key press follows.
            event->accept();
            return true;
        }
        panel->hide();
        return true;
    }

private:
    QPointer<SlidePanelPreview> m_owner;
};

namespace {
SlidePanelPreview *sharedInstance = nullptr;
} // namespace

SlidePanelPreview &SlidePanelPreview::shared()
{
    Q_ASSERT(QCoreApplication::instance());
    if (!sharedInstance) {
        sharedInstance = new SlidePanelPreview;
        // Post routines run first thing in the application's destructor, while windows
        // can still be destroyed properly; later would be too late for the panel.
        qAddPostRoutine([] {
            delete sharedInstance;
            sharedInstance = nullptr;
        });
    }
    return *sharedInstance;
}

SlidePanelPreview::SlidePanelPreview(QObject *parent)
    : QObject(parent)
{ }

SlidePanelPreview::~SlidePanelPreview()
{
    delete m_panel;
}

PreviewPanel *SlidePanelPreview::panel() const
{
    return m_panel;
}

std::optional<QRect> SlidePanelPreview::visibleAreaFor(const QWidget *anchor)
{
    const QScreen *screen = anchor ? anchor->window()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return screen->availableGeometry();
}

void SlidePanelPreview::show(
    const QByteArray &path, QWidget *anchor, PreviewSide side, int width, int height)
{
    if (!anchor) {
        qCDebug(lcPreview) << "preview without a window to place it beside";
        return;
    }
    if (!m_panel)
        m_panel = new PreviewPanel;

    const QSize size(width, height);
    const QMargins edge = m_panel->contentsMargins();
    const QSize contentSize(width - edge.left() - edge.right(),
        qMax(1, height - m_panel->titleHeight() - edge.top() - edge.bottom()));
    if (PreviewPanel::isParentedPopup()) {
        m_panel->setPath(path, contentSize);
        showPopup(anchor->window(), side, size);
    } else {
        const QRect frame = previewPanelFrame(
            anchor->window()->frameGeometry(), side, size, visibleAreaFor(anchor));
        m_panel->setPath(path, contentSize);
        showWindow(frame);
    }

    if (!m_escapeFilter) {
        m_escapeFilter = new EscapeFilter(this);
        QCoreApplication::instance()->installEventFilter(m_escapeFilter);
    }
}

void SlidePanelPreview::showPopup(QWidget *shelf, PreviewSide side, const QSize &size)
{
    // Only the position relative to the shelf reaches the compositor, which keeps the popup
    // on the output. Where the shelf is, only a layer-shell shelf knows. Anywhere else
    // nothing is clamped here.
    QRect frame = previewPanelFrame(shelf->frameGeometry(), side, size, std::nullopt);
    const LayerShell *shell = LayerShell::instance();
    const QRect output = shelf->screen() ? shelf->screen()->geometry() : QRect();
    if (const auto shelfFrame = shell ? shell->frameOf(shelf, output) : std::nullopt;
        shelfFrame && output.isValid()) {
        const QRect onOutput = previewPanelFrame(
            *shelfFrame, sideWithRoom(*shelfFrame, side, size.width(), output), size, output);
        frame.moveTopLeft(shelf->geometry().topLeft() + onOutput.topLeft() - shelfFrame->topLeft());
    }
    QWindow *parent = shelf->windowHandle();
    m_targetFrame = frame;
    m_panel->setFixedSize(size);
    if (m_panel->isVisible()) {
        if (m_panel->windowHandle()->transientParent() == parent && m_panel->geometry() == frame) {
            m_panel->raise();
            return;
        }
        // A popup is placed once, when it is mapped.
        m_panel->hide();
    }
    m_panel->winId();
    m_panel->windowHandle()->setTransientParent(parent);
    m_panel->setGeometry(frame);
    m_panel->show();
}

void SlidePanelPreview::showWindow(const QRect &frame)
{
    const bool wasVisible = m_panel->isVisible();
    place(frame);
    m_panel->show();
    // A window that just appeared is on top already.
    if (wasVisible)
        m_panel->raise();
}

void SlidePanelPreview::hide()
{
    if (m_panel)
        m_panel->hide();
}

void SlidePanelPreview::place(const QRect &frame)
{
    m_targetFrame = frame;
    // Frame and geometry differ only if a window manager decorates the panel anyway.
    QMargins margins;
    if (m_panel->isVisible() && m_panel->windowHandle())
        margins = m_panel->windowHandle()->frameMargins();
    const QRect target = frame.marginsRemoved(margins);

    if (m_animation)
        m_animation->stop();
    if (!m_panel->isVisible() || m_panel->geometry() == target) {
        m_panel->setFixedSize(target.size());
        m_panel->setGeometry(target);
        m_panel->holdPosition(
            m_panel->isVisible() ? std::nullopt : std::optional(target.topLeft()));
        return;
    }
    m_panel->holdPosition(std::nullopt);
    // Size limits would fight an animation that also resizes.
    m_panel->setMinimumSize(0, 0);
    m_panel->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    auto *animation = new QPropertyAnimation(m_panel, "geometry", m_panel);
    animation->setDuration(slideDuration);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    animation->setStartValue(m_panel->geometry());
    animation->setEndValue(target);
    QPointer<PreviewPanel> panel = m_panel;
    connect(animation, &QPropertyAnimation::finished, m_panel, [panel, target] {
        if (panel)
            panel->setFixedSize(target.size());
    });
    m_animation = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace vantry
