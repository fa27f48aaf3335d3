// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>

class QWidget;
class QWindow;

namespace vantry {

// Shows top-level widgets as wlr layer-shell surfaces: anchored to a corner of an output,
// above ordinary windows and never in a task manager. Offered by wlroots compositors
// (sway, Hyprland) and KWin; GNOME and weston have no layer shell.
//
// Qt 6.4 has no public way to give a window another role than an xdg-shell one, so a
// managed window is created without any (Qt leaves windows flagged to bypass the window
// manager bare when QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT is set) and its wl_surface gets
// the layer role here, before Qt draws into it. Popups of such a window (tool tips, menus,
// the preview panel) cannot go through Qt either, which would commit them before they have
// their parent: they are made xdg_popups of the layer surface here as well.
class LayerShell final : public QObject
{
    Q_OBJECT

public:
    enum class Keyboard {
        none, ///< never takes the keyboard focus
        onDemand, ///< takes it when shown and gives it up when another window is chosen
    };

    /// The compositor's layer shell, or null where Qt does not run on Wayland or the
    /// compositor offers none. The first call asks the compositor.
    static LayerShell *instance();
    ~LayerShell() override;

    /// Makes widget, a top-level, a layer surface of its own size at corner of the output
    /// the compositor chooses, from its next showing on.
    void manage(QWidget *widget, Qt::Corner corner, Keyboard keyboard);
    bool manages(const QWidget *widget) const;
    /// The corner a managed widget is anchored to when it has no position.
    std::optional<Qt::Corner> cornerOf(const QWidget *widget) const;
    /// Places a managed widget with its top left at position on its output (in the output's
    /// coordinates, regardless of panels), or back at its corner with none.
    void setPosition(QWidget *widget, std::optional<QPoint> position);
    /// Where a managed widget is on output (the geometry of its output).
    std::optional<QRect> frameOf(const QWidget *widget, const QRect &output) const;
    /// The size the compositor leaves ordinary windows, its panels taken off the output
    /// (xdg_toplevel.configure_bounds), when it says so; it asks the compositor each time.
    std::optional<QSize> workAreaSize();

    // The protocol objects behind the shell, a layer window and a popup (in the source).
    struct Globals;
    struct Layer;
    struct Popup;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit LayerShell(std::unique_ptr<Globals> globals);
    void mapLayer(Layer &layer, QWindow *window);
    void adoptPopup(QWindow *popup, QWindow *parent);
    void mapPopup(Popup &popup, QWindow *window);
    bool waitForConfigure(const bool &configured);
    void anchorLayer(Layer &layer);
    void destroyRoles(QWindow *window);

private Q_SLOTS:
    void destroyRolesOfSender();

private:
    std::unique_ptr<Globals> m_globals;
    QHash<QWindow *, Layer *> m_layers;
    QHash<QWindow *, Popup *> m_popups;
};

} // namespace vantry
