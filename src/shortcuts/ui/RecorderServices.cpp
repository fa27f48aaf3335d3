// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/ui/RecorderServices.h"

#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/ui/MenuSearch.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace KeyboardShortcuts {

namespace {

class SystemRecorderServices final : public RecorderServices
{
public:
    void beep() override { QApplication::beep(); }

    void showAlert(QWidget *recorder, const QString &message) override
    {
        QMessageBox box(QMessageBox::Warning, QString(), message, QMessageBox::NoButton,
            recorder ? recorder->window() : nullptr);
        box.addButton(localizedString("ok"), QMessageBox::AcceptRole);
        box.setWindowModality(recorder ? Qt::WindowModal : Qt::ApplicationModal);
        box.exec();
    }

    bool askAlert(QWidget *recorder, const QString &message, const QString &informative,
        const QString &firstButton, const QString &secondButton) override
    {
        QMessageBox box(QMessageBox::Warning, QString(), message, QMessageBox::NoButton,
            recorder ? recorder->window() : nullptr);
        box.setInformativeText(informative);
        QPushButton *first = box.addButton(firstButton, QMessageBox::AcceptRole);
        QPushButton *second = box.addButton(secondButton, QMessageBox::DestructiveRole);
        box.setDefaultButton(first);
        box.setEscapeButton(first);
        box.setWindowModality(recorder ? Qt::WindowModal : Qt::ApplicationModal);
        box.exec();
        return box.clickedButton() == second;
    }

    QList<Shortcut> systemShortcuts() override { return systemSymbolicShortcuts(); }
    bool isSystemShortcut(const Shortcut &shortcut) override
    {
        return KeyboardShortcuts::isSystemShortcut(shortcut);
    }

    QList<QMenu *> menus() override { return MenuSearch::applicationMenus(); }
};

} // namespace

RecorderServices &RecorderServices::system()
{
    static SystemRecorderServices services;
    return services;
}

} // namespace KeyboardShortcuts
