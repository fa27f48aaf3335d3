// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DropDownWindow.h"

#include "app/DropDownPlacement.h"

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
    QScreen *screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(DropDownPlacement::position(
            anchor, size(), screen->availableGeometry(), screen->devicePixelRatio()));
    show();
    raise();
    activateWindow();
    if (m_content && !m_content->isAncestorOf(focusWidget()))
        m_content->setFocus(Qt::ActiveWindowFocusReason);
}

} // namespace vantry
