// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsScene.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace vantry {

QWidget *createSettingsWindow()
{
    auto *window = new QWidget;
    window->setWindowTitle(QWidget::tr("Settings"));
    window->setAccessibleName(QWidget::tr("Settings"));
    auto *layout = new QVBoxLayout(window);
    layout->addWidget(new QLabel(QWidget::tr("Settings"), window));
    window->resize(420, 240);
    return window;
}

} // namespace vantry
