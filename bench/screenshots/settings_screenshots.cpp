// SPDX-License-Identifier: GPL-3.0-or-later
// Renders both panes of the settings window, light and dark, for the README:
//   settings_screenshots <output folder>
// Run it through tests/isolate.sh so it never sees the user's settings.
#include "ShortcutFixture.h"
#include "app/settings/SettingsWindow.h"
#include "core/UserDefaults.h"
#include "shortcuts/KeyboardShortcuts.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

QPalette darkPalette()
{
    // Qt derives the text, shadow and disabled colours from the button and window colours.
    QPalette p(QColor(0x3a, 0x3a, 0x3e), QColor(0x2b, 0x2b, 0x2e));
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    p.setColor(QPalette::AlternateBase, p.color(QPalette::Window));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x7e, 0xd8));
    return p;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: settings_screenshots <output folder>");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    const QString source = qEnvironmentVariable("VANTRY_SOURCE_DIR", u"."_s);
    QApplication::setWindowIcon(QIcon(source + u"/resources/app.vantry.Vantry.svg"_s));

    KeyboardShortcuts::Testing::ShortcutFixture shortcuts;
    vantry::UserDefaults &store = shortcuts.store;
    const KeyboardShortcuts::Name name(u"openShelfWindow"_s,
        KeyboardShortcuts::Shortcut(KeyboardShortcuts::namedKey("s"),
            KeyboardShortcuts::ControlModifier | KeyboardShortcuts::CommandModifier));

    const QPalette light = QApplication::style()->standardPalette();
    for (const auto &[mode, palette] :
        { std::pair { u"light"_s, light }, std::pair { u"dark"_s, darkPalette() } }) {
        QApplication::setPalette(palette);
        vantry::SettingsWindow window(store, name, QApplication::windowIcon());
        window.show();
        for (const auto &[tab, pane] :
            { std::pair { 0, u"general"_s }, std::pair { 1, u"about"_s } }) {
            window.findChild<QTabWidget *>()->setCurrentIndex(tab);
            window.adjustSize();
            QApplication::processEvents();
            const QString file = out + u"/settings-%1-%2.png"_s.arg(pane, mode);
            if (!window.grab().save(file)) {
                qWarning("could not write %s", qPrintable(file));
                return 1;
            }
        }
    }
    return 0;
}
