// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/FileDialogFolderChooser.h"

#include <QApplication>
#include <QFileDialog>
#include <QUrl>

#include <utility>

namespace vantry {

namespace {

// The chosen folder's path bytes. The URL keeps escapes that are not
// UTF-8, so a portal's answer for such a folder arrives intact.
std::optional<QByteArray> pathFromUrl(const QUrl &url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const QByteArray path
        = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace

FileDialogFolderChooser::~FileDialogFolderChooser()
{
    delete m_dialog.data();
}

void FileDialogFolderChooser::chooseFolder(Done done)
{
    m_done = std::make_shared<Done>(std::move(done));
    if (!m_dialog) {
        // No parent: the shelf's drop-down window closes as soon as the dialog takes the focus.
        auto *dialog = new QFileDialog;
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
        dialog->setWindowModality(Qt::NonModal);
        QObject::connect(dialog, &QFileDialog::finished, dialog, [this, dialog](int result) {
            std::optional<QByteArray> chosen;
            const QList<QUrl> urls = dialog->selectedUrls();
            if (result == QDialog::Accepted && !urls.isEmpty())
                chosen = pathFromUrl(urls.constFirst());
            // Taken before the call: the callback may ask for a chooser again.
            const std::shared_ptr<Done> done = std::exchange(m_done, nullptr);
            if (done && *done)
                (*done)(chosen);
        });
        m_dialog = dialog;
    }
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

} // namespace vantry
