// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/backends/ShortcutPlatform.h"

#include "core/Logging.h"
#include "shortcuts/backends/GnomeHotKeyBackend.h"
#include "shortcuts/backends/PortalHotKeyBackend.h"
#include "shortcuts/backends/WaylandKeyboard.h"
#include "shortcuts/backends/X11Connection.h"
#include "shortcuts/backends/X11HotKeyBackend.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace KeyboardShortcuts {

namespace {

// What a desktop runs to reach us: the installed command, or this very binary.
QString ourProgram()
{
    const QString self
        = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    const QString installed = QStandardPaths::findExecutable(u"vantry"_s);
    if (self.isEmpty()
        || (!installed.isEmpty()
            && QFileInfo(installed).canonicalFilePath() == QFileInfo(self).canonicalFilePath())) {
        return u"vantry"_s;
    }
    return self;
}

} // namespace

ShortcutPlatform ShortcutPlatform::create(const QString &platformName, const QString &appId)
{
    ShortcutPlatform platform;
    auto sources = DesktopSystemShortcuts::sessionSources();
    std::shared_ptr<X11Connection> connection;
    if (platformName == "xcb"_L1) {
        connection = X11Connection::open();
        if (connection) {
            platform.layout = std::make_unique<XkbKeyboardLayout>(connection);
        } else {
            qCWarning(lcShortcuts) << "No X server connection for global shortcuts";
        }
    }
    if (!platform.layout || !platform.layout->isValid()) {
        platform.layout = std::make_unique<XkbKeyboardLayout>(XkbKeyboardLayout::systemNames());
    }
    // Only Qt's own Wayland connection carries the session's keymap: there is none
    // without a GUI application on the wayland plugin.
    if (platformName.startsWith("wayland"_L1)
        && qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        && QGuiApplication::platformName().startsWith("wayland"_L1)) {
        // The system's settings only until the compositor sends the session's keymap.
        platform.keymapSource = std::make_unique<WaylandKeyboard>(platform.layout.get());
    }

    // Under XWayland an X grab only fires while an X window has the focus: in a
    // Wayland session the portal comes first, even when Qt runs on xcb.
    const bool waylandSession = platformName.startsWith("wayland"_L1)
        || qEnvironmentVariable("XDG_SESSION_TYPE") == "wayland"_L1
        || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    // On native Wayland the backend asks the portal itself, without waiting; under
    // XWayland X11 grabs are what is left when the portal has no GlobalShortcuts.
    // GNOME before 48 has none, but runs custom shortcuts of its own, on any window.
    const bool gnome = waylandSession && GnomeHotKeyBackend::isAvailable(sources.desktops);
    if (waylandSession
        && ((!connection && !gnome)
            || PortalHotKeyBackend::hasGlobalShortcuts(QDBusConnection::sessionBus()))) {
        platform.backend = std::make_unique<PortalHotKeyBackend>(
            QDBusConnection::sessionBus(), platform.layout.get(), appId);
        // A GNOME that gained the portal (48) would run our old custom shortcut as well.
        if (gnome) {
            GnomeHotKeyBackend(platform.layout.get(), {}).sync();
        }
    } else if (gnome) {
        platform.backend = std::make_unique<GnomeHotKeyBackend>(
            platform.layout.get(), GnomeHotKeyBackend::toggleCommand(ourProgram()));
    }
    if (!platform.backend && connection) {
        auto x11 = std::make_unique<X11HotKeyBackend>(connection);
        sources.grabProbe = [probe = QPointer(x11.get())](KeyCombination combination) {
            return probe && probe->isTakenByAnotherClient(combination);
        };
        platform.backend = std::move(x11);
    }
    if (!platform.backend) {
        platform.backend = std::make_unique<NullHotKeyBackend>();
    }
    platform.systemShortcuts
        = std::make_shared<DesktopSystemShortcuts>(platform.layout.get(), std::move(sources));
    platform.backend->setSystemShortcuts(platform.systemShortcuts);
    qCDebug(lcShortcuts) << "Global shortcuts through" << platform.backend->name();
    return platform;
}

} // namespace KeyboardShortcuts
