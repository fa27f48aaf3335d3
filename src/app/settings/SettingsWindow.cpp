// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings/SettingsWindow.h"

#include "app/settings/AboutView.h"
#include "app/settings/GeneralView.h"
#include "icons/SymbolIcons.h"

#include <QEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vantry {

SettingsWindow::SettingsWindow(UserDefaults &defaults,
    const KeyboardShortcuts::Name &openShelfWindow, const QIcon &icon, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(tr("Vantry Settings"));
    setWindowIcon(icon);
    setAccessibleName(windowTitle());
    setFixedWidth(fixedWidth);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    m_tabs = new QTabWidget(this);
    m_tabs->setDocumentMode(true);
    m_tabs->setAccessibleName(tr("Settings"));
    m_general = new GeneralView(defaults, openShelfWindow, m_tabs);
    m_about = new AboutView(icon, m_tabs);
    m_general->setObjectName(QStringLiteral("general"));
    m_about->setObjectName(QStringLiteral("about"));
    m_tabs->addTab(m_general, tr("General"));
    m_tabs->addTab(m_about, tr("About"));
    updateTabIcons();
    layout->addWidget(m_tabs);
}

void SettingsWindow::updateTabIcons()
{
    m_tabs->setTabIcon(0, symbolIcon(Symbol::gearshape, palette()));
    m_tabs->setTabIcon(1, symbolIcon(Symbol::person, palette()));
}

void SettingsWindow::changeEvent(QEvent *event)
{
    // The symbols are tinted to the palette: follow a switch between light and dark.
    if (event->type() == QEvent::PaletteChange)
        updateTabIcons();
    QWidget::changeEvent(event);
}

} // namespace vantry
