// SPDX-License-Identifier: GPL-3.0-or-later
// The backend alone: a tray app whose 1,000-row window is toggled by Ctrl+Super+S
// through the platform hot key backend, without the rest of Vantry. Its time
// against the floor's tray click is what the hot key path itself costs.
#include "shortcuts/backends/ShortcutPlatform.h"

#include <QApplication>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QStringListModel>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <cstdio>
#include <linux/input-event-codes.h>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    QWidget window;
    window.setWindowTitle(u"hotkey window"_s);
    window.resize(300, 400);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *model = new QStringListModel(&window);
    QStringList rows;
    for (int i = 0; i < 1000; ++i) {
        rows << u"item-%1.txt"_s.arg(i);
    }
    model->setStringList(rows);
    auto *view = new QListView(&window);
    view->setUniformItemSizes(true);
    view->setModel(model);
    layout->addWidget(view);

    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkCyan);
    QSystemTrayIcon tray { QIcon(pixmap) };
    tray.show();

    const auto platform
        = KeyboardShortcuts::ShortcutPlatform::create(QGuiApplication::platformName(), u"bench"_s);
    QObject::connect(
        platform.backend.get(), &KeyboardShortcuts::HotKeyBackend::pressed, &window, [&window] {
            if (window.isVisible()) {
                window.hide();
            } else {
                window.show();
                window.raise();
                window.activateWindow();
            }
        });
    const auto status
        = platform.backend->registerHotKey(1, { KEY_S, Qt::ControlModifier | Qt::MetaModifier });
    std::fprintf(
        stderr, "backend=%s status=%d\n", qPrintable(platform.backend->name()), int(status));
    return app.exec();
}
