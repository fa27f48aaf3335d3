// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/UpdatePresenter.h"

#include <QCoreApplication>
#include <QPointer>

#include <QDialog>

namespace vantry {

// The real presenter: one small non-modal window at a time, raised on top. A
// new outcome replaces the window still open (an open update dialog then
// counts as "Later").
class MessageBoxUpdatePresenter final : public UpdatePresenter
{
    Q_DECLARE_TR_FUNCTIONS(vantry::MessageBoxUpdatePresenter)

public:
    MessageBoxUpdatePresenter();
    ~MessageBoxUpdatePresenter() override;

    void showUpToDate(const QString &currentVersion) override;
    void showUpdateAvailable(const AppcastItem &update, const QString &currentVersion,
        std::function<void(Choice)> choose) override;
    void showError(const QString &description) override;
    void showPackageManaged() override;

    /// The window shown now, or null.
    QDialog *currentDialog() const { return m_dialog; }

private:
    void showMessage(int icon, const QString &text, const QString &informativeText);
    void present(QDialog *dialog);

    QPointer<QDialog> m_dialog;
};

} // namespace vantry
