// SPDX-License-Identifier: GPL-3.0-or-later
// Renders both panes of the settings window, light and dark, for the README:
//   settings_screenshots <output folder>
// Run it through tests/isolate.sh so it never sees the user's settings.
#include "KeyboardShortcuts/KeyboardShortcuts.h"
#include "ShortcutFixture.h"
#include "app/settings/SettingsWindow.h"
#include "platform/UserDefaults.h"

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
    QPalette p;
    const QColor window(0x2b, 0x2b, 0x2e);
    const QColor base(0x1e, 0x1e, 0x20);
    const QColor text(0xe8, 0xe8, 0xea);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x8a, 0x8a, 0x90));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x7e, 0xd8));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Light, QColor(0x48, 0x48, 0x4c));
    p.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x44));
    p.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x33));
    p.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x84));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x84));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x84));
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
        KeyboardShortcuts::Shortcut(KeyboardShortcuts::Key::s,
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
