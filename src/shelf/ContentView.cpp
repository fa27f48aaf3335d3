// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/ContentView.h"

#include "core/FileNameText.h"
#include "core/Logging.h"
#include "core/PreviewSide.h"
#include "core/UserDefaults.h"
#include "preview/PreviewPresenter.h"
#include "shelf/FileOperations.h"
#include "shelf/FolderChooser.h"
#include "shelf/FolderListing.h"
#include "shelf/NaturalOrder.h"
#include "shelf/SecurityScope.h"

#include <QFile>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace vantry {

ContentView::ContentView(UserDefaults &defaults, SecurityScope &scope, FolderChooser &chooser,
    PreviewPresenter &preview, Beep beep, KeyWindow keyWindow, OpenSettings openSettings,
    QObject *parent)
    : QObject(parent)
    , m_settings(defaults)
    , m_scope(scope)
    , m_chooser(chooser)
    , m_preview(preview)
    , m_beep(std::move(beep))
    , m_keyWindow(std::move(keyWindow))
    , m_openSettings(std::move(openSettings))
{
    // The folder choice is the one setting made in the shelf: if it cannot be
    // kept, say so here, once.
    connect(&m_settings.store(), &UserDefaults::saveFailed, this,
        [this](const QString &key, const QString &reason) {
            if (!Settings::isKey(key, Setting::FolderBookmark)
                || !m_settings.store().claimSaveFailureNotice())
                return;
            m_errorMessage = tr("Settings cannot be saved: %1").arg(reason);
            Q_EMIT errorMessageChanged();
        });
}

ContentView::~ContentView() = default;

QString ContentView::sideRaw() const
{
    return m_settings.previewSideRaw();
}

std::optional<ShelfItem> ContentView::itemAt(const QByteArray &path) const
{
    for (const ShelfItem &item : m_items) {
        if (item.path() == path)
            return item;
    }
    return std::nullopt;
}

void ContentView::restoreFolder()
{
    setSelection({});
    const QByteArray bookmark = m_settings.folderBookmark();
    if (bookmark.isNull())
        return;
    const std::optional<QByteArray> folder = resolveBookmark(bookmark);
    if (!folder) {
        qCDebug(lcShelf) << "stored folder bookmark is not an absolute path:" << bookmark;
        return;
    }
    if (!m_scope.start(*folder))
        return;
    setItems(*folder, loadItems(*folder));
    setInputDir(*folder);
}

void ContentView::chooseFolder()
{
    QPointer<ContentView> self(this);
    m_chooser.chooseFolder([self](std::optional<QByteArray> folder) {
        if (self)
            self->onFolderChosen(folder);
    });
}

void ContentView::onFolderChosen(const std::optional<QByteArray> &folderPath)
{
    if (!folderPath)
        return;
    const std::optional<QByteArray> bookmark = makeBookmark(*folderPath);
    if (!bookmark || !m_scope.start(*folderPath))
        return;
    m_settings.setFolderBookmark(*bookmark);
    setItems(*folderPath, loadItems(*folderPath));
    setInputDir(*folderPath);
}

void ContentView::openSettings()
{
    if (m_openSettings)
        m_openSettings();
}

void ContentView::setSelection(const QSet<QByteArray> &paths)
{
    if (paths == m_selection)
        return;
    m_selection = paths;
    Q_EMIT selectionChanged();
}

void ContentView::beginRename()
{
    if (m_selection.size() != 1)
        return;
    const QByteArray path = *m_selection.cbegin();
    setEditing(path, fileNameText(lastComponent(path)));
}

void ContentView::setRenameText(const QString &text)
{
    if (text == m_renameText)
        return;
    m_renameText = text;
    Q_EMIT renameTextChanged();
}

void ContentView::commitRename()
{
    if (!m_editingUrl)
        return;
    const QByteArray source = *m_editingUrl;
    const QByteArray nameBytes = fileNameFromText(m_renameText);
    if (nameBytes.isEmpty()) {
        setEditing(std::nullopt, QString());
        return;
    }

    // A name that is not one entry ("a/b", ".", "..", a NUL) must never move
    // the item elsewhere: it fails like an invalid argument to the move.
    MoveResult result;
    if (nameBytes.contains('/')) {
        result = { tr("A name cannot contain “/”."), EINVAL };
    } else if (!isValidEntryName(nameBytes)) {
        result = moveError(EINVAL);
    } else {
        const QByteArray folder = parentPath(source);
        const QByteArray target = childPath(folder, nameBytes);
        if (pathExists(target)) {
            setEditing(std::nullopt, QString());
            return;
        }
        // The existence check can race with other programs: the move itself
        // still refuses to replace whatever appeared at the target.
        result = moveWithoutReplacing(source, target);
        if (result) {
            setItems(folder, loadItems(folder));
            setSelection({ target });
            setEditing(std::nullopt, QString());
            return;
        }
    }

    if (m_beep)
        m_beep();
    m_errorMessage = result.error;
    Q_EMIT errorMessageChanged();
}

void ContentView::cancelRename()
{
    setEditing(std::nullopt, QString());
}

void ContentView::clearError()
{
    if (!m_errorMessage)
        return;
    m_errorMessage.reset();
    Q_EMIT errorMessageChanged();
}

void ContentView::showPreview(const QByteArray &path)
{
    QWidget *window = m_keyWindow ? m_keyWindow() : nullptr;
    if (!window)
        return;
    m_preview.show(path, window, previewSideFromStored(sideRaw()), previewWidth, previewHeight);
}

void ContentView::hidePreview()
{
    m_preview.hide();
}

void ContentView::setItems(const QByteArray &folderPath, QList<ShelfItem> items)
{
    m_folderPath = folderPath;
    m_items = std::move(items);
    m_displayItems = displayOrder(m_items);
    Q_EMIT itemsChanged();
}

void ContentView::setInputDir(const QByteArray &folderPath)
{
    const QString display = fileNameText(folderPath);
    if (display == m_inputDir)
        return;
    m_inputDir = display;
    Q_EMIT inputDirChanged();
}

void ContentView::setEditing(std::optional<QByteArray> path, const QString &text)
{
    const bool editingChanged = path != m_editingUrl;
    m_editingUrl = std::move(path);
    const bool textChanged = text != m_renameText;
    m_renameText = text;
    if (editingChanged)
        Q_EMIT editingUrlChanged();
    if (textChanged)
        Q_EMIT renameTextChanged();
}

} // namespace vantry
