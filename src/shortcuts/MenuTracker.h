// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QSet>

#include <functional>

namespace KeyboardShortcuts {

// Reports when the first of our popup menus opens and the last one closes. A
// Qt popup menu grabs the keyboard while it is open, which is what the hot key
// layer must know about.
class MenuTracker final : public QObject
{
    Q_OBJECT

public:
    explicit MenuTracker(std::function<void(bool open)> onChange, QObject *parent = nullptr);
    ~MenuTracker() override;

    bool isMenuOpen() const { return !m_openMenus.isEmpty(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setOpen(QObject *menu, bool open);

    std::function<void(bool)> m_onChange;
    QSet<QObject *> m_openMenus;
};

} // namespace KeyboardShortcuts
