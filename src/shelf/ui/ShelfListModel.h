// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shelf/ShelfItem.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QPointer>

#include <optional>

namespace vantry {

class ContentView;

// The shelf's items in display order as a list model. It keeps no state of its
// own beyond a path-to-row index: it reads ContentView and follows its signals.
class ShelfListModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        PathRole = Qt::UserRole + 1, ///< QByteArray: the item's path bytes
        IsDirectoryRole, ///< bool
        ShowsButtonsRole, ///< bool: the row is the one selected alone
        IsEditingRole, ///< bool: the row shows the rename field
    };

    explicit ShelfListModel(ContentView &content, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;

    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    const ShelfItem &item(int row) const;
    /// The row of the item at path, or -1.
    int rowOf(const QByteArray &path) const;
    /// The row that is selected alone, or -1.
    int buttonRow() const;
    /// The row that shows the rename field, or -1.
    int editingRow() const;

private:
    void onItemsChanged();
    void onSelectionChanged();
    void onEditingChanged();
    void emitRowChanged(int row, const QList<int> &roles);

    ContentView &m_content;
    mutable QHash<QByteArray, int> m_rows; // built on first lookup after each listing
    std::optional<QByteArray> m_buttonPath;
    std::optional<QByteArray> m_editingPath;
};

} // namespace vantry
