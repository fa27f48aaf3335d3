// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace MenuBarExtraAccess {

// A Boolean owned by the caller that the access keeps in step with the drop-down
// window: whoever writes it, changed() reports each new value once.
class PresentedFlag final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool value() const { return m_value; }
    void setValue(bool value)
    {
        if (m_value == value)
            return;
        m_value = value;
        Q_EMIT changed(value);
    }

Q_SIGNALS:
    void changed(bool value);

private:
    bool m_value = false;
};

} // namespace MenuBarExtraAccess
