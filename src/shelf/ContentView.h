// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Settings.h"
#include "shelf/ShelfItem.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace vantry {

class FolderChooser;
class PreviewPresenter;
class SecurityScope;
class UserDefaults;

// The one owner of the shelf's state: the chosen folder, its items, the
// selection, the item being renamed with its proposed name, and the rename
// error. The widgets render this state and report intents through the
// operations below; nothing else changes it. Items, the selection and the
// item being renamed are identified by their path bytes.
class ContentView final : public QObject
{
    Q_OBJECT

public:
    /// Plays the system alert sound.
    using Beep = std::function<void()>;
    /// The application's active (key) window, or nullptr when there is none.
    using KeyWindow = std::function<QWidget *()>;
    /// Opens the settings window.
    using OpenSettings = std::function<void()>;

    /// Size of the preview panel that showPreview asks for.
    static constexpr int previewWidth = 380;
    static constexpr int previewHeight = 300;

    ContentView(UserDefaults &defaults, SecurityScope &scope, FolderChooser &chooser,
        PreviewPresenter &preview, Beep beep, KeyWindow keyWindow, OpenSettings openSettings,
        QObject *parent = nullptr);
    ~ContentView() override;

    // State

    /// The stored preview side ("preview.side"), "right" when absent.
    QString sideRaw() const;
    /// The chosen folder's path for display ("" until a folder is listed).
    QString inputDir() const { return m_inputDir; }
    /// The folder the items were listed from (empty until a folder is listed).
    QByteArray folderPath() const { return m_folderPath; }
    /// The folder's items in listing order.
    const QList<ShelfItem> &items() const { return m_items; }
    /// The same items in display order, computed once per listing.
    const QList<ShelfItem> &displayItems() const { return m_displayItems; }
    /// The listed item at path, if any.
    std::optional<ShelfItem> itemAt(const QByteArray &path) const;
    /// Paths of the selected items.
    const QSet<QByteArray> &selection() const { return m_selection; }
    /// Whether the item at path is selected.
    bool isSelected(const QByteArray &path) const { return m_selection.contains(path); }
    /// Path of the item whose row shows the rename field, if any.
    const std::optional<QByteArray> &editingUrl() const { return m_editingUrl; }
    /// The proposed new name; "" whenever nothing is being renamed.
    QString renameText() const { return m_renameText; }
    /// The message the error banner shows; the banner exists exactly while this is set.
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }

public Q_SLOTS:
    // Operations

    /// The window appeared: empties the selection and lists the stored folder again.
    void restoreFolder();
    /// The folder button: asks the chooser, then grants, stores and lists the chosen folder.
    void chooseFolder();
    /// The gear button: opens the settings window.
    void openSettings();
    /// The list's selection changed to paths.
    void setSelection(const QSet<QByteArray> &paths);
    /// A tile's rename request: opens the rename field on the single selected item.
    void beginRename();
    /// The rename field's text changed.
    void setRenameText(const QString &text);
    /// Return in the rename field: renames the item, or beeps and shows the error.
    void commitRename();
    /// Escape in the rename field: closes it and forgets the typed name.
    void cancelRename();
    /// The banner's close request.
    void clearError();
    /// A tile's preview request: shows the item at path beside the key window.
    void showPreview(const QByteArray &path);
    /// The window disappeared: hides the preview panel.
    void hidePreview();

Q_SIGNALS:
    /// inputDir() changed.
    void inputDirChanged();
    /// items(), displayItems() and folderPath() were replaced by a new listing.
    void itemsChanged();
    /// selection() changed.
    void selectionChanged();
    /// editingUrl() changed (renameText() may have changed with it).
    void editingUrlChanged();
    /// renameText() changed.
    void renameTextChanged();
    /// errorMessage() was set or cleared.
    void errorMessageChanged();

private:
    void setItems(const QByteArray &folderPath, QList<ShelfItem> items);
    void setInputDir(const QByteArray &folderPath);
    void setEditing(std::optional<QByteArray> path, const QString &text);
    void onFolderChosen(const std::optional<QByteArray> &folderPath);

    Settings m_settings;
    SecurityScope &m_scope;
    FolderChooser &m_chooser;
    PreviewPresenter &m_preview;
    Beep m_beep;
    KeyWindow m_keyWindow;
    OpenSettings m_openSettings;

    QString m_inputDir;
    QByteArray m_folderPath;
    QList<ShelfItem> m_items;
    QList<ShelfItem> m_displayItems;
    QSet<QByteArray> m_selection;
    std::optional<QByteArray> m_editingUrl;
    QString m_renameText;
    std::optional<QString> m_errorMessage;
};

} // namespace vantry
