// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Name.h"

#include <QIcon>
#include <QObject>
#include <QPointer>

namespace vantry {

class SettingsWindow;
class UserDefaults;

// Keeps the one settings window: made on the first open(), raised on the next.
// Closing the window only hides it, so it keeps its tab and state.
class SettingsWindowController final : public QObject
{
    Q_OBJECT

public:
    /// An empty icon means the application's window icon (or its themed icon).
    SettingsWindowController(UserDefaults &defaults, KeyboardShortcuts::Name openShelfWindow,
        QIcon icon = {}, QObject *parent = nullptr);
    ~SettingsWindowController() override;

    /// Shows the settings window, bringing it to the front.
    void open();

    /// The window once it has been opened; null before.
    SettingsWindow *window() const { return m_window; }

private:
    QPointer<UserDefaults> m_defaults;
    KeyboardShortcuts::Name m_openShelfWindow;
    QIcon m_icon;
    QPointer<SettingsWindow> m_window;
};

} // namespace vantry
