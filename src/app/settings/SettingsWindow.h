// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Name.h"

#include <QIcon>
#include <QWidget>

class QTabWidget;

namespace vantry {

class AboutView;
class GeneralView;
class UserDefaults;

// The settings window: a General and an About tab, 500 wide whichever is shown.
class SettingsWindow final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int fixedWidth = 500;

    /// icon is the application's icon for the About pane.
    SettingsWindow(UserDefaults &defaults, const KeyboardShortcuts::Name &openShelfWindow,
        const QIcon &icon, QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;

private:
    void updateTabIcons();

    QTabWidget *m_tabs = nullptr;
    GeneralView *m_general = nullptr;
    AboutView *m_about = nullptr;
};

} // namespace vantry
