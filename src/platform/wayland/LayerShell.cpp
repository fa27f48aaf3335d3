// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/LayerShell.h"

#include "core/Logging.h"
#include "platform/wayland/LayerPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>
#include <qpa/qplatformwindow.h>

#include <wayland-client.h>

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <algorithm>
#include <cstring>

namespace vantry {

namespace {

// A compositor answers a first commit within a few round trips; more means it never will.
constexpr int maxRoundTrips = 8;

QPlatformNativeInterface *native()
{
    return QGuiApplication::platformNativeInterface();
}

wl_surface *surfaceOf(QWindow *window)
{
    return static_cast<wl_surface *>(native()->nativeResourceForWindow("surface", window));
}

bool isPopupType(const QWindow *window)
{
    const Qt::WindowType type = window->type();
    return type == Qt::Popup || type == Qt::ToolTip;
}

// A role object has to go before its wl_surface: wlroots 0.17 and later disconnect a
// client that destroys them the other way round. Qt's Wayland window destroys the surface
// when it hides, after telling its own wlSurfaceDestroyed(), which Qt 6.4 to 6.8 all have;
// it is no public API, so it is looked up by name.
QMetaObject::Connection beforeSurfaceGoes(
    QWindow *window, LayerShell *shell, const char *slot, const QObject *&platformWindow)
{
    platformWindow = dynamic_cast<QObject *>(window->handle());
    if (!platformWindow
        || platformWindow->metaObject()->indexOfSignal("wlSurfaceDestroyed()") < 0) {
        qCWarning(lcApp) << "cannot learn when Qt destroys the surface of" << window;
        return {};
    }
    return QObject::connect(
        platformWindow, SIGNAL(wlSurfaceDestroyed()), shell, slot, Qt::DirectConnection);
}

} // namespace

// Our own connection objects, on a queue of their own for the round trips of a first
// commit; objects that live on are moved to Qt's queue, which Qt dispatches.
struct LayerShell::Globals
{
    wl_display *display = nullptr;
    wl_event_queue *queue = nullptr;
    wl_registry *registry = nullptr;
    zwlr_layer_shell_v1 *layerShell = nullptr; // on our queue
    wl_compositor *compositor = nullptr; // on our queue, for probing surfaces
    xdg_wm_base *wmBase = nullptr; // on Qt's queue, to answer pings
    xdg_wm_base *wmBaseOnQueue = nullptr; // wrapper on our queue, to create objects
    uint32_t layerShellVersion = 0;

    ~Globals()
    {
        if (wmBaseOnQueue)
            wl_proxy_wrapper_destroy(wmBaseOnQueue);
        if (wmBase)
            xdg_wm_base_destroy(wmBase);
        if (layerShell) {
            if (layerShellVersion >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
                zwlr_layer_shell_v1_destroy(layerShell);
            else
                wl_proxy_destroy(reinterpret_cast<wl_proxy *>(layerShell));
        }
        if (compositor)
            wl_compositor_destroy(compositor);
        if (registry)
            wl_registry_destroy(registry);
        if (queue)
            wl_event_queue_destroy(queue);
        if (display)
            wl_display_flush(display);
    }
};

struct LayerShell::Layer
{
    QPointer<QWidget> widget;
    Qt::Corner corner = Qt::TopRightCorner;
    std::optional<QPoint> position; // on the output, instead of the corner
    Keyboard keyboard = Keyboard::none;
    wl_surface *surface = nullptr; // Qt's, for the layer surface below
    zwlr_layer_surface_v1 *layerSurface = nullptr;
    bool configured = false;
    bool holdsKeyboard = false; // exclusive until it has the focus, see mapLayer
    QMetaObject::Connection surfaceGoing;
    const QObject *platformWindow = nullptr; // Qt's, which tells of surfaceGoing

    void destroy()
    {
        if (layerSurface)
            zwlr_layer_surface_v1_destroy(layerSurface);
        QObject::disconnect(surfaceGoing);
        layerSurface = nullptr;
        surface = nullptr;
        configured = false;
        holdsKeyboard = false;
    }

    void releaseKeyboard()
    {
        if (!holdsKeyboard || !layerSurface)
            return;
        holdsKeyboard = false;
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            layerSurface, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND);
        wl_surface_commit(surface);
    }
};

struct LayerShell::Popup
{
    QPointer<QWindow> parent;
    wl_surface *surface = nullptr;
    xdg_surface *xdgSurface = nullptr;
    xdg_popup *popup = nullptr;
    bool configured = false;
    QMetaObject::Connection surfaceGoing;
    const QObject *platformWindow = nullptr;

    void destroy()
    {
        if (popup)
            xdg_popup_destroy(popup);
        if (xdgSurface)
            xdg_surface_destroy(xdgSurface);
        QObject::disconnect(surfaceGoing);
        popup = nullptr;
        xdgSurface = nullptr;
        surface = nullptr;
        configured = false;
    }
};

namespace {

void onGlobal(
    void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
{
    auto *g = static_cast<LayerShell::Globals *>(data);
    if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
        g->layerShellVersion = std::min<uint32_t>(version, 4);
        g->layerShell = static_cast<zwlr_layer_shell_v1 *>(
            wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, g->layerShellVersion));
    } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
        // Version 4 tells a toplevel its bounds: the output without the panels.
        g->wmBase = static_cast<xdg_wm_base *>(wl_registry_bind(
            registry, name, &xdg_wm_base_interface, std::min<uint32_t>(version, 4)));
    } else if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        g->compositor = static_cast<wl_compositor *>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 1));
    }
}

void onGlobalRemove(void *, wl_registry *, uint32_t) { }

const wl_registry_listener registryListener = { onGlobal, onGlobalRemove };

void onPing(void *, xdg_wm_base *wmBase, uint32_t serial)
{
    xdg_wm_base_pong(wmBase, serial);
}

const xdg_wm_base_listener wmBaseListener = { onPing };

} // namespace

LayerShell *LayerShell::instance()
{
    static bool asked = false;
    static LayerShell *shell = nullptr;
    if (asked)
        return shell;
    asked = true;
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")) || !native())
        return nullptr;
    auto *display = static_cast<wl_display *>(native()->nativeResourceForIntegration("wl_display"));
    if (!display)
        return nullptr;

    auto g = std::make_unique<Globals>();
    g->display = display;
    g->queue = wl_display_create_queue(display);
    auto *wrapped = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(wrapped), g->queue);
    g->registry = wl_display_get_registry(wrapped);
    wl_proxy_wrapper_destroy(wrapped);
    wl_registry_add_listener(g->registry, &registryListener, g.get());
    if (wl_display_roundtrip_queue(display, g->queue) < 0 || !g->layerShell || !g->wmBase) {
        qCDebug(lcApp) << "the compositor offers no layer shell";
        return nullptr;
    }
    xdg_wm_base_add_listener(g->wmBase, &wmBaseListener, nullptr);
    g->wmBaseOnQueue = static_cast<xdg_wm_base *>(wl_proxy_create_wrapper(g->wmBase));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(g->wmBase), nullptr);
    qCDebug(lcApp) << "layer shell version" << g->layerShellVersion;

    // Qt creates no xdg-shell role for windows flagged to bypass the window manager only
    // while this is set; it reads it whenever a window is shown.
    qputenv("QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT", "1");
    shell = new LayerShell(std::move(g));
    shell->setParent(QCoreApplication::instance());
    return shell;
}

LayerShell::LayerShell(std::unique_ptr<Globals> globals)
    : m_globals(std::move(globals))
{
    // Popups of our windows are told apart when they are shown, before Qt gives them a role.
    QCoreApplication::instance()->installEventFilter(this);
}

LayerShell::~LayerShell()
{
    for (Popup *p : std::as_const(m_popups)) {
        p->destroy();
        delete p;
    }
    for (Layer *l : std::as_const(m_layers)) {
        l->destroy();
        delete l;
    }
}

void LayerShell::manage(QWidget *widget, Qt::Corner corner, Keyboard keyboard)
{
    widget->setWindowFlag(Qt::BypassWindowManagerHint, true);
    widget->winId();
    QWindow *window = widget->windowHandle();
    auto *layer = new Layer;
    layer->widget = widget;
    layer->corner = corner;
    layer->keyboard = keyboard;
    delete m_layers.value(window);
    m_layers.insert(window, layer);
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, [this, window] {
        if (Layer *l = m_layers.take(window)) {
            l->destroy();
            delete l;
        }
    });
}

bool LayerShell::manages(const QWidget *widget) const
{
    return widget && widget->windowHandle() && m_layers.contains(widget->windowHandle());
}

std::optional<Qt::Corner> LayerShell::cornerOf(const QWidget *widget) const
{
    if (!manages(widget))
        return std::nullopt;
    return m_layers.value(widget->windowHandle())->corner;
}

void LayerShell::setPosition(QWidget *widget, std::optional<QPoint> position)
{
    Layer *layer = manages(widget) ? m_layers.value(widget->windowHandle()) : nullptr;
    if (!layer || layer->position == position)
        return;
    layer->position = position;
    if (layer->layerSurface) {
        anchorLayer(*layer);
        wl_surface_commit(layer->surface);
    }
}

std::optional<QRect> LayerShell::frameOf(const QWidget *widget, const QRect &output) const
{
    if (!manages(widget))
        return std::nullopt;
    const Layer *layer = m_layers.value(widget->windowHandle());
    if (layer->position)
        return QRect(output.topLeft() + *layer->position, widget->size());
    return LayerPlacement::cornerFrame(layer->corner, widget->size(), output);
}

bool LayerShell::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        // A widget's show event comes before its window gets a wl_surface; Qt may have
        // restored the widget's own flags since the last showing.
        if (auto *w = qobject_cast<QWidget *>(watched); w && w->isWindow()) {
            QWindow *window = w->windowHandle();
            QWindow *parent = window ? window->transientParent() : nullptr;
            if (parent && isPopupType(window)
                && (m_layers.contains(parent) || m_popups.contains(parent)))
                adoptPopup(window, parent);
        }
        break;
    case QEvent::Expose:
        if (auto *window = qobject_cast<QWindow *>(watched)) {
            if (Layer *l = m_layers.value(window))
                mapLayer(*l, window);
            else if (Popup *p = m_popups.value(window))
                mapPopup(*p, window);
        }
        break;
    case QEvent::FocusIn:
        if (Layer *l = m_layers.value(qobject_cast<QWindow *>(watched)))
            l->releaseKeyboard();
        break;
    case QEvent::Hide:
        // Normally gone already, just before Qt dropped the wl_surface.
        if (auto *window = qobject_cast<QWindow *>(watched))
            destroyRoles(window);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void LayerShell::destroyRolesOfSender()
{
    // Matched by the object that connected: when a window is destroyed rather than
    // hidden, Qt has already unset its handle.
    for (auto it = m_layers.cbegin(); it != m_layers.cend(); ++it) {
        if (it.value()->surfaceGoing && it.value()->platformWindow == sender())
            return destroyRoles(it.key());
    }
    for (auto it = m_popups.cbegin(); it != m_popups.cend(); ++it) {
        if (it.value()->surfaceGoing && it.value()->platformWindow == sender())
            return destroyRoles(it.key());
    }
}

void LayerShell::destroyRoles(QWindow *window)
{
    // Popups first: a parent's role must outlive the popups placed against it.
    for (auto it = m_popups.cbegin(); it != m_popups.cend(); ++it) {
        if (it.value()->parent == window)
            destroyRoles(it.key());
    }
    if (Layer *l = m_layers.value(window))
        l->destroy();
    else if (Popup *p = m_popups.value(window))
        p->destroy();
}

bool LayerShell::waitForConfigure(const bool &configured)
{
    wl_display_flush(m_globals->display);
    for (int i = 0; i < maxRoundTrips && !configured; ++i) {
        if (wl_display_roundtrip_queue(m_globals->display, m_globals->queue) < 0)
            return false;
    }
    return configured;
}

namespace {

void onLayerConfigure(
    void *data, zwlr_layer_surface_v1 *surface, uint32_t serial, uint32_t, uint32_t)
{
    zwlr_layer_surface_v1_ack_configure(surface, serial);
    static_cast<LayerShell::Layer *>(data)->configured = true;
}

void onLayerClosed(void *data, zwlr_layer_surface_v1 *)
{
    // The compositor withdrew the surface (its output went away): the window is hidden,
    // so that the next activation shows it afresh instead of "hiding" it.
    auto *layer = static_cast<LayerShell::Layer *>(data);
    layer->configured = false;
    if (layer->widget)
        QMetaObject::invokeMethod(layer->widget.data(), &QWidget::hide, Qt::QueuedConnection);
}

const zwlr_layer_surface_v1_listener layerListener = { onLayerConfigure, onLayerClosed };

void onXdgConfigure(void *data, xdg_surface *surface, uint32_t serial)
{
    xdg_surface_ack_configure(surface, serial);
    *static_cast<bool *>(data) = true;
}

const xdg_surface_listener xdgSurfaceListener = { onXdgConfigure };

void onPopupConfigure(void *, xdg_popup *, int32_t, int32_t, int32_t, int32_t) { }

void onPopupDone(void *data, xdg_popup *)
{
    // The compositor dismissed the popup (a click elsewhere): close it as Qt would.
    auto *window = static_cast<QWindow *>(data);
    QMetaObject::invokeMethod(window, &QWindow::close, Qt::QueuedConnection);
}

void onPopupRepositioned(void *, xdg_popup *, uint32_t) { }

const xdg_popup_listener popupListener = { onPopupConfigure, onPopupDone, onPopupRepositioned };

// A toplevel that is never mapped, asked only for its bounds.
struct Probe
{
    bool configured = false;
    QSize bounds;
};

void onProbeConfigure(void *, xdg_toplevel *, int32_t, int32_t, wl_array *) { }

void onProbeClose(void *, xdg_toplevel *) { }

void onProbeBounds(void *data, xdg_toplevel *, int32_t width, int32_t height)
{
    static_cast<Probe *>(data)->bounds = QSize(width, height);
}

void onProbeCapabilities(void *, xdg_toplevel *, wl_array *) { }

const xdg_toplevel_listener probeListener
    = { onProbeConfigure, onProbeClose, onProbeBounds, onProbeCapabilities };

} // namespace

std::optional<QSize> LayerShell::workAreaSize()
{
    if (!m_globals->compositor
        || xdg_wm_base_get_version(m_globals->wmBase) < XDG_TOPLEVEL_CONFIGURE_BOUNDS_SINCE_VERSION)
        return std::nullopt;
    // A surface without a buffer is never shown, and its first configure carries the bounds.
    Probe probe;
    wl_surface *surface = wl_compositor_create_surface(m_globals->compositor);
    xdg_surface *xdgSurface = xdg_wm_base_get_xdg_surface(m_globals->wmBaseOnQueue, surface);
    xdg_surface_add_listener(xdgSurface, &xdgSurfaceListener, &probe.configured);
    xdg_toplevel *toplevel = xdg_surface_get_toplevel(xdgSurface);
    xdg_toplevel_add_listener(toplevel, &probeListener, &probe);
    wl_surface_commit(surface);
    waitForConfigure(probe.configured);
    xdg_toplevel_destroy(toplevel);
    xdg_surface_destroy(xdgSurface);
    wl_surface_destroy(surface);
    wl_display_flush(m_globals->display);
    if (probe.bounds.isEmpty())
        return std::nullopt;
    return probe.bounds;
}

void LayerShell::anchorLayer(Layer &layer)
{
    uint32_t anchor = 0;
    const Qt::Corner corner = layer.position ? Qt::TopLeftCorner : layer.corner;
    switch (corner) {
    case Qt::TopLeftCorner:
        anchor = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT;
        break;
    case Qt::TopRightCorner:
        anchor = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
        break;
    case Qt::BottomLeftCorner:
        anchor = ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT;
        break;
    case Qt::BottomRightCorner:
        anchor = ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
        break;
    }
    zwlr_layer_surface_v1_set_anchor(layer.layerSurface, anchor);
    const QPoint margin = layer.position.value_or(QPoint());
    zwlr_layer_surface_v1_set_margin(layer.layerSurface, margin.y(), 0, 0, margin.x());
    // In a corner, zero keeps it clear of panels that reserve an edge, without reserving
    // any itself. At a position worked out from the whole output, -1: not moved for them.
    zwlr_layer_surface_v1_set_exclusive_zone(layer.layerSurface, layer.position ? -1 : 0);
}

void LayerShell::mapLayer(Layer &layer, QWindow *window)
{
    wl_surface *surface = surfaceOf(window);
    if (!surface || surface == layer.surface)
        return;
    layer.destroy();
    layer.surface = surface;
    layer.layerSurface = zwlr_layer_shell_v1_get_layer_surface(
        m_globals->layerShell, surface, nullptr, ZWLR_LAYER_SHELL_V1_LAYER_TOP, "vantry");
    zwlr_layer_surface_v1_add_listener(layer.layerSurface, &layerListener, &layer);
    layer.surfaceGoing
        = beforeSurfaceGoes(window, this, SLOT(destroyRolesOfSender()), layer.platformWindow);
    const QSize size = window->size();
    zwlr_layer_surface_v1_set_size(
        layer.layerSurface, uint32_t(size.width()), uint32_t(size.height()));
    anchorLayer(layer);
    // Compositors need not focus an on-demand surface when it maps (sway does not): it
    // asks for the keyboard outright and settles for on demand once it has the focus, so
    // that choosing another window takes the focus away and closes it. Before version 4
    // there is no on demand and the keyboard stays held.
    uint32_t keyboard = ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE;
    if (layer.keyboard == Keyboard::onDemand) {
        keyboard = ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE;
        layer.holdsKeyboard = m_globals->layerShellVersion
            >= ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND_SINCE_VERSION;
    }
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer.layerSurface, keyboard);
    wl_surface_commit(surface);
    if (!waitForConfigure(layer.configured))
        qCWarning(lcApp) << "the compositor did not configure the layer surface";
    // Later configure events come with Qt's own.
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(layer.layerSurface), nullptr);
}

void LayerShell::adoptPopup(QWindow *popup, QWindow *parent)
{
    popup->setFlag(Qt::BypassWindowManagerHint, true);
    if (Popup *known = m_popups.value(popup)) {
        known->parent = parent;
        return;
    }
    auto *p = new Popup;
    p->parent = parent;
    m_popups.insert(popup, p);
    popup->installEventFilter(this);
    connect(popup, &QObject::destroyed, this, [this, popup] {
        if (Popup *gone = m_popups.take(popup)) {
            gone->destroy();
            delete gone;
        }
    });
}

void LayerShell::mapPopup(Popup &popup, QWindow *window)
{
    wl_surface *surface = surfaceOf(window);
    QWindow *parent = popup.parent;
    if (!surface || surface == popup.surface || !parent)
        return;
    zwlr_layer_surface_v1 *parentLayer = nullptr;
    xdg_surface *parentXdg = nullptr;
    if (Layer *l = m_layers.value(parent))
        parentLayer = l->layerSurface;
    else if (Popup *pp = m_popups.value(parent))
        parentXdg = pp->xdgSurface;
    if (!parentLayer && !parentXdg) {
        qCWarning(lcApp) << "popup of a window that is not shown";
        return;
    }
    popup.destroy();
    popup.surface = surface;
    popup.xdgSurface = xdg_wm_base_get_xdg_surface(m_globals->wmBaseOnQueue, surface);
    xdg_surface_add_listener(popup.xdgSurface, &xdgSurfaceListener, &popup.configured);
    popup.surfaceGoing
        = beforeSurfaceGoes(window, this, SLOT(destroyRolesOfSender()), popup.platformWindow);

    // Where Qt meant the popup to go, relative to its parent. The anchor point has to lie
    // on the parent; the rest is an offset.
    const QRect parentRect = parent->geometry();
    const QRect rect = window->geometry();
    const QPoint relative = rect.topLeft() - parentRect.topLeft();
    const QPoint anchor(std::clamp(relative.x(), 0, std::max(0, parentRect.width() - 1)),
        std::clamp(relative.y(), 0, std::max(0, parentRect.height() - 1)));
    xdg_positioner *positioner = xdg_wm_base_create_positioner(m_globals->wmBaseOnQueue);
    xdg_positioner_set_size(positioner, std::max(1, rect.width()), std::max(1, rect.height()));
    xdg_positioner_set_anchor_rect(positioner, anchor.x(), anchor.y(), 1, 1);
    xdg_positioner_set_anchor(positioner, XDG_POSITIONER_ANCHOR_TOP_LEFT);
    xdg_positioner_set_gravity(positioner, XDG_POSITIONER_GRAVITY_BOTTOM_RIGHT);
    xdg_positioner_set_offset(positioner, relative.x() - anchor.x(), relative.y() - anchor.y());
    xdg_positioner_set_constraint_adjustment(positioner,
        XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_X
            | XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_Y);
    popup.popup = xdg_surface_get_popup(popup.xdgSurface, parentXdg, positioner);
    xdg_positioner_destroy(positioner);
    xdg_popup_add_listener(popup.popup, &popupListener, window);
    if (parentLayer)
        zwlr_layer_surface_v1_get_popup(parentLayer, popup.popup);
    if (window->type() == Qt::Popup) {
        // Menus take the keyboard and close on a click elsewhere, as Qt's own popups do.
        auto *seat = static_cast<wl_seat *>(native()->nativeResourceForIntegration("wl_seat"));
        const auto serial = uint32_t(
            reinterpret_cast<quintptr>(native()->nativeResourceForIntegration("serial")));
        if (seat)
            xdg_popup_grab(popup.popup, seat, serial);
    }
    wl_surface_commit(surface);
    if (!waitForConfigure(popup.configured))
        qCWarning(lcApp) << "the compositor did not configure a popup";
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(popup.xdgSurface), nullptr);
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(popup.popup), nullptr);
}

} // namespace vantry
