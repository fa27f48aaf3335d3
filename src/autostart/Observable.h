// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace LaunchAtLogin {

// Lets views follow the login item: willChange comes before every write and
// didChange after it, when isEnabled() already reports the system's new state.
class Observable final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled WRITE setEnabled NOTIFY didChange)

public:
    using QObject::QObject;

    bool isEnabled() const;
    void setEnabled(bool enabled);

Q_SIGNALS:
    void willChange();
    void didChange();
};

} // namespace LaunchAtLogin
