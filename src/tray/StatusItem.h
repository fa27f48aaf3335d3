// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QMenu;

namespace MenuBarExtraAccess {

// One status item of this process: the clickable handle behind a tray icon
// (its "button", with an on/off state and a highlight) and the drop-down window
// it shows. The owner decides what a click does (usually toggling the window);
// this class only models the handle. Items register themselves on creation, in
// creation order, and leave the registry when destroyed.
class StatusItem final : public QObject
{
    Q_OBJECT

public:
    explicit StatusItem(QObject *parent = nullptr);
    ~StatusItem() override;

    /// Whether the item has a button to click; without one, clicks and state changes are skipped.
    bool hasButton() const { return m_hasButton; }
    void setHasButton(bool hasButton) { m_hasButton = hasButton; }

    /// The button's on/off state (on while the drop-down window is shown).
    bool state() const { return m_state; }
    /// Does nothing without a button. Emits stateChanged when the state changes.
    void setState(bool on);

    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

    /// Clicks the button: emits clicked() when the item has a button.
    void performClick();

    /// Clicks the button, then refreshes the highlight from the state.
    void togglePresented();
    /// Clicks only when the window's state differs from `presented`; otherwise refreshes the
    /// highlight. Without a button the current state counts as presented.
    void setPresented(bool presented);

    /// The drop-down window this item shows; null until the owner creates it.
    QWidget *window() const { return m_window; }
    void setWindow(QWidget *window) { m_window = window; }

    /// The identifier of the extra this item belongs to (e.g. its title); may be empty.
    QString identifier() const { return m_identifier; }
    void setIdentifier(const QString &identifier) { m_identifier = identifier; }

    /// Whether a click opens a menu rather than a window.
    bool isMenuBased() const { return m_menuBased; }
    void setMenuBased(bool menuBased) { m_menuBased = menuBased; }

    /// The right-click menu shown from the item; null when none is attached.
    QMenu *menu() const;
    void setMenu(QMenu *menu);

    /// This process's status items, in creation order.
    static QList<StatusItem *> all();

Q_SIGNALS:
    void clicked();
    void stateChanged(bool on);
    void highlightedChanged(bool highlighted);
    void menuChanged();

private:
    void updateHighlight();

    QPointer<QWidget> m_window;
    QPointer<QMenu> m_menu;
    QString m_identifier;
    bool m_hasButton = true;
    bool m_state = false;
    bool m_highlighted = false;
    bool m_menuBased = false;
};

} // namespace MenuBarExtraAccess
