// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/MessageBoxUpdatePresenter.h"

#include "core/AppInfo.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantry {

namespace {

// Passed to the content's close handler when other content takes its place.
constexpr int replaced = -1;

QString appName()
{
    return AppInfo::displayName();
}

QLabel *plainLabel(const QString &text, QWidget *parent)
{
    // Versions and error descriptions come from the feed and the network: never markup.
    // No accessible name either: a label is read by its text.
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setText(text);
    return label;
}

} // namespace

MessageBoxUpdatePresenter::MessageBoxUpdatePresenter() = default;

MessageBoxUpdatePresenter::~MessageBoxUpdatePresenter()
{
    m_onFinished = nullptr;
    delete m_dialog.data();
}

void MessageBoxUpdatePresenter::setOnFinished(std::function<void(int)> onFinished)
{
    m_onFinished = std::move(onFinished);
}

void MessageBoxUpdatePresenter::onFinished(int result)
{
    // The window is on its way out (it deletes itself on close): the next outcome opens a
    // new one.
    m_dialog = nullptr;
    m_page = nullptr;
    if (auto onFinished = std::exchange(m_onFinished, nullptr))
        onFinished(result);
}

QDialogButtonBox *MessageBoxUpdatePresenter::showPage(
    const QString &heading, const QString &text, bool busy)
{
    if (auto previous = std::exchange(m_onFinished, nullptr))
        previous(replaced);
    if (!m_dialog) {
        auto *dialog = new QDialog;
        dialog->setWindowTitle(tr("Software Update"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::NonModal);
        dialog->setMinimumWidth(380);
        new QVBoxLayout(dialog);
        // finished() also covers the window's close button and Escape.
        QObject::connect(
            dialog, &QDialog::finished, dialog, [this](int result) { onFinished(result); });
        m_dialog = dialog;
    }
    if (m_page) {
        m_page->hide();
        m_page->setParent(nullptr);
        m_page->deleteLater();
    }

    auto *page = new QWidget(m_dialog);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    QLabel *title = plainLabel(heading, page);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    if (!text.isEmpty())
        layout->addWidget(plainLabel(text, page));
    if (busy) {
        auto *bar = new QProgressBar(page);
        bar->setRange(0, 0);
        bar->setTextVisible(false);
        bar->setAccessibleName(heading);
        layout->addWidget(bar);
    }
    auto *buttons = new QDialogButtonBox(page);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, m_dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, m_dialog, &QDialog::reject);
    m_dialog->layout()->addWidget(page);
    m_page = page;
    page->show();
    m_dialog->adjustSize();
    // And again once the layout has taken the new page in: until then a text that wraps is
    // measured at a stale width, and the window cut its lines off.
    QMetaObject::invokeMethod(m_dialog, &QWidget::adjustSize, Qt::QueuedConnection);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
    return buttons;
}

void MessageBoxUpdatePresenter::showMessage(const QString &heading, const QString &text)
{
    QDialogButtonBox *buttons = showPage(heading, text);
    QPushButton *ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setDefault(true);
    ok->setFocus(Qt::OtherFocusReason);
}

void MessageBoxUpdatePresenter::showChecking(std::function<void()> cancel)
{
    QDialogButtonBox *buttons = showPage(tr("Checking for updates…"), {}, true);
    QPushButton *cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    cancelButton->setFocus(Qt::OtherFocusReason);
    // Cancel, Escape and closing the window all end the check; an outcome taking its
    // place does not.
    setOnFinished([cancel = std::move(cancel)](int result) {
        if (result != replaced && cancel)
            cancel();
    });
}

void MessageBoxUpdatePresenter::showUpToDate(const QString &currentVersion)
{
    showMessage(tr("You're up to date!"),
        tr("%1 %2 is the newest version available.").arg(appName(), currentVersion));
}

void MessageBoxUpdatePresenter::showError(const QString &description)
{
    showMessage(tr("The update check failed."), description);
}

void MessageBoxUpdatePresenter::showPackageManaged()
{
    showMessage(tr("Updates come from your package manager."),
        tr("This copy of %1 was installed by your distribution. Use its package manager "
           "or software centre to update it.")
            .arg(appName()));
}

void MessageBoxUpdatePresenter::showUpdateAvailable(
    const AppcastItem &update, const QString &currentVersion, std::function<void(Choice)> choose)
{
    QDialogButtonBox *buttons = showPage(tr("A new version of %1 is available!").arg(appName()),
        tr("%1 %2 is now available; you have %3.")
            .arg(appName(), update.displayVersionString(), currentVersion));
    if (!update.releaseNotesUrl.isEmpty()) {
        QPushButton *notes = buttons->addButton(tr("Release Notes"), QDialogButtonBox::ActionRole);
        QObject::connect(
            notes, &QPushButton::clicked, m_dialog, [choose] { choose(Choice::ReleaseNotes); });
    }
    buttons->addButton(tr("Later"), QDialogButtonBox::RejectRole);
    QPushButton *download = buttons->addButton(tr("Download"), QDialogButtonBox::AcceptRole);
    download->setDefault(true);
    download->setFocus(Qt::OtherFocusReason);
    setOnFinished([choose = std::move(choose)](int result) {
        choose(result == QDialog::Accepted ? Choice::Download : Choice::Later);
    });
}

} // namespace vantry
