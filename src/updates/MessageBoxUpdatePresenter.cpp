// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/MessageBoxUpdatePresenter.h"

#include "platform/AppInfo.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

QString appName()
{
    return AppInfo::displayName();
}

} // namespace

MessageBoxUpdatePresenter::MessageBoxUpdatePresenter() = default;

MessageBoxUpdatePresenter::~MessageBoxUpdatePresenter()
{
    delete m_dialog.data();
}

void MessageBoxUpdatePresenter::present(QDialog *dialog)
{
    if (m_dialog)
        m_dialog->close();
    m_dialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::NonModal);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void MessageBoxUpdatePresenter::showMessage(
    int icon, const QString &text, const QString &informativeText)
{
    auto *box = new QMessageBox(
        static_cast<QMessageBox::Icon>(icon), tr("Software Update"), text, QMessageBox::Ok);
    box->setInformativeText(informativeText);
    box->setAccessibleName(tr("Software Update"));
    box->setAccessibleDescription(text);
    box->button(QMessageBox::Ok)->setAccessibleName(tr("OK"));
    present(box);
}

void MessageBoxUpdatePresenter::showUpToDate(const QString &currentVersion)
{
    showMessage(QMessageBox::Information, tr("You're up to date!"),
        tr("%1 %2 is the newest version available.").arg(appName(), currentVersion));
}

void MessageBoxUpdatePresenter::showError(const QString &description)
{
    showMessage(QMessageBox::Warning, tr("The update check failed."), description);
}

void MessageBoxUpdatePresenter::showPackageManaged()
{
    showMessage(QMessageBox::Information, tr("Updates come from your package manager."),
        tr("This copy of %1 was installed by your distribution. Use its package manager "
           "or software centre to update it.")
            .arg(appName()));
}

void MessageBoxUpdatePresenter::showUpdateAvailable(
    const AppcastItem &update, const QString &currentVersion, std::function<void(Choice)> choose)
{
    auto *dialog = new QDialog;
    dialog->setWindowTitle(tr("Software Update"));
    dialog->setAccessibleName(tr("Software Update"));

    auto *layout = new QVBoxLayout(dialog);
    auto *heading = new QLabel(tr("A new version of %1 is available!").arg(appName()), dialog);
    heading->setAccessibleName(tr("Update available"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    auto *detail = new QLabel(tr("%1 %2 is now available; you have %3.")
                                  .arg(appName(), update.displayVersionString(), currentVersion),
        dialog);
    detail->setAccessibleName(tr("Versions"));
    detail->setWordWrap(true);
    layout->addWidget(detail);

    if (!update.releaseNotesUrl.isEmpty()) {
        auto *notes = new QLabel(
            u"<a href=\"notes\">%1</a>"_s.arg(tr("Release notes").toHtmlEscaped()), dialog);
        notes->setAccessibleName(tr("Release notes"));
        notes->setTextFormat(Qt::RichText);
        notes->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        QObject::connect(
            notes, &QLabel::linkActivated, dialog, [choose] { choose(Choice::ReleaseNotes); });
        layout->addWidget(notes);
    }

    auto *buttons = new QDialogButtonBox(dialog);
    QPushButton *download = buttons->addButton(tr("Download"), QDialogButtonBox::AcceptRole);
    download->setAccessibleName(tr("Download"));
    download->setDefault(true);
    QPushButton *later = buttons->addButton(tr("Later"), QDialogButtonBox::RejectRole);
    later->setAccessibleName(tr("Later"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    // finished() also covers the window's close button and Escape.
    QObject::connect(dialog, &QDialog::finished, dialog, [choose](int result) {
        choose(result == QDialog::Accepted ? Choice::Download : Choice::Later);
    });
    present(dialog);
}

} // namespace vantry
