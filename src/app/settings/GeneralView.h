// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PreviewSide.h"
#include "shortcuts/Name.h"

#include <QPointer>
#include <QWidget>

class QComboBox;

namespace LaunchAtLogin {
class Toggle;
}

class QLabel;

namespace vantry {

class UserDefaults;

// The General pane: launch at login, the side the preview opens on (stored under
// "preview.side") and the shortcut that opens the shelf window.
class GeneralView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int fixedHeight = 240;

    GeneralView(UserDefaults &defaults, const KeyboardShortcuts::Name &openShelfWindow,
        QWidget *parent = nullptr);

    /// The side the picker shows: "left" is left, any other stored string right.
    PreviewSide shownSide() const;

private:
    void showStoredSide();
    void onSidePicked(int index);

    QPointer<UserDefaults> m_defaults;
    QComboBox *m_sidePicker = nullptr;
    LaunchAtLogin::Toggle *m_toggle = nullptr;
    QLabel *m_saveError = nullptr;
};

} // namespace vantry
