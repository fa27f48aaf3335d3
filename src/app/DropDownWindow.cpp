// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DropDownWindow.h"

#include "app/DropDownPlacement.h"
#include "platform/wayland/LayerPlacement.h"
#include "platform/wayland/LayerShell.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace vantry {

DropDownWindow::DropDownWindow(ContentFactory contentFactory, QWidget *parent)
    // A tool window, not a popup: a popup grabs pointer and keyboard, which would keep drags
    // from leaving the shelf and dialogs (the folder chooser) from getting input.
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_contentFactory(std::move(contentFactory))
{
    setObjectName(QStringLiteral("shelfWindow"));
    setWindowTitle(tr("Vantry Shelf"));
    setAccessibleName(tr("Shelf"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

DropDownWindow::~DropDownWindow() = default;

void DropDownWindow::ensureContent()
{
    if (m_content || !m_contentFactory)
        return;
    m_content = m_contentFactory(this);
    if (m_content)
        layout()->addWidget(m_content);
}

void DropDownWindow::toggle(const QRect &anchor)
{
    if (isVisible())
        hide();
    else
        present(anchor);
}

void DropDownWindow::present(const QRect &anchor)
{
    ensureContent();
    // Equal minimum and maximum sizes keep tiling compositors (sway, Hyprland) from tiling
    // the shelf: they float it at its own size. Set before showing, when they are sent.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    adjustSize();
    setFixedSize(size());
    QScreen *screen = anchor.isValid() ? QGuiApplication::screenAt(anchor.center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (LayerShell *shell = LayerShell::instance(); shell && shell->manages(this))
        shell->setPosition(this, layerPosition(*shell, anchor, screen));
    else if (screen)
        move(DropDownPlacement::position(
            anchor, size(), screen->availableGeometry(), screen->devicePixelRatio()));
    show();
    raise();
    activateWindow();
    if (m_content && !m_content->isAncestorOf(focusWidget()))
        m_content->setFocus(Qt::ActiveWindowFocusReason);
}

std::optional<QPoint> DropDownWindow::layerPosition(
    LayerShell &shell, const QRect &anchor, const QScreen *screen)
{
    // A layer surface is placed against the whole output, but some compositors' panels are
    // no layer surfaces (Plasma's): only the room they leave ordinary windows tells where
    // they end. Without that the corner by the tray does, kept clear of layer-shell panels
    // by the compositor.
    const auto corner = shell.cornerOf(this);
    const auto free = screen && corner ? shell.workAreaSize() : std::nullopt;
    if (!free)
        return std::nullopt;
    const QRect output(QPoint(0, 0), screen->geometry().size());
    if (!anchor.isValid()) {
        const QRect area
            = LayerPlacement::workArea(output, *free, LayerPlacement::cornerPoint(*corner, output));
        return LayerPlacement::cornerFrame(*corner, size(), area).topLeft();
    }
    const QRect local = anchor.translated(-screen->geometry().topLeft());
    return DropDownPlacement::position(
        local, size(), LayerPlacement::workArea(output, *free, local.center()));
}

} // namespace vantry
