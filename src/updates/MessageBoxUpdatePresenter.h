// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/UpdatePresenter.h"

#include <QCoreApplication>
#include <QPointer>

#include <QDialog>

#include <functional>

class QDialogButtonBox;
class QLabel;
class QProgressBar;

namespace vantry {

// The real presenter: one small non-modal "Software Update" window, raised on
// top. A check the user asked for shows in it at once, with Cancel; its outcome
// then replaces that content in the same window. A new outcome replaces the
// content still shown (an update still on offer then counts as "Later").
// Texts that come from the feed or the network are shown as plain text.
class MessageBoxUpdatePresenter final : public UpdatePresenter
{
    Q_DECLARE_TR_FUNCTIONS(vantry::MessageBoxUpdatePresenter)

public:
    MessageBoxUpdatePresenter();
    ~MessageBoxUpdatePresenter() override;

    void showChecking(std::function<void()> cancel) override;
    void showUpToDate(const QString &currentVersion) override;
    void showUpdateAvailable(const AppcastItem &update, const QString &currentVersion,
        std::function<void(Choice)> choose) override;
    void showError(const QString &description) override;
    void showPackageManaged() override;

    /// The window shown now, or null.
    QDialog *currentDialog() const { return m_dialog; }

private:
    /// Replaces the window's content (making the window when none is open): a bold
    /// heading, a plain text and the buttons, or a busy bar when busy.
    QDialogButtonBox *showPage(const QString &heading, const QString &text, bool busy = false);
    /// What closing the window means for the content shown (Accepted or Rejected).
    void setOnFinished(std::function<void(int)> onFinished);
    void showMessage(const QString &heading, const QString &text);
    void onFinished(int result);

    QPointer<QDialog> m_dialog;
    QPointer<QWidget> m_page;
    std::function<void(int)> m_onFinished;
};

} // namespace vantry
