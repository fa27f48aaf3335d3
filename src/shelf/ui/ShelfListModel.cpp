// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/ui/ShelfListModel.h"

#include "icons/FileIcons.h"
#include "icons/PictureMode.h"
#include "icons/SymbolIcons.h"
#include "shelf/ContentView.h"
#include "shelf/FileOperations.h"

#include <QIcon>
#include <QMimeData>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

std::optional<QByteArray> singleSelection(const ContentView &content)
{
    if (content.selection().size() != 1)
        return std::nullopt;
    return *content.selection().cbegin();
}

} // namespace

ShelfListModel::ShelfListModel(ContentView &content, QObject *parent)
    : QAbstractListModel(parent)
    , m_content(content)
    , m_buttonPath(singleSelection(content))
    , m_editingPath(content.editingUrl())
{
    connect(&m_content, &ContentView::itemsChanged, this, &ShelfListModel::onItemsChanged);
    connect(&m_content, &ContentView::selectionChanged, this, &ShelfListModel::onSelectionChanged);
    connect(&m_content, &ContentView::editingUrlChanged, this, &ShelfListModel::onEditingChanged);
}

int ShelfListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_content.displayItems().size());
}

const ShelfItem &ShelfListModel::item(int row) const
{
    return m_content.displayItems().at(row);
}

QVariant ShelfListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ShelfItem &shelfItem = item(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return shelfItem.displayName();
    case Qt::EditRole:
        return m_content.editingUrl() == shelfItem.path() ? m_content.renameText()
                                                          : shelfItem.displayName();
    case Qt::DecorationRole:
        // Asked only for rows being painted; the icon cache is keyed by MIME type.
        if (pictureModeEnabled())
            return symbolIcon(shelfItem.isDirectory() ? Symbol::folder : Symbol::page);
        return fileIcon(shelfItem.path(), shelfItem.isDirectory());
    case PathRole:
        return shelfItem.path();
    case IsDirectoryRole:
        return shelfItem.isDirectory();
    case ShowsButtonsRole:
        return m_content.selection().size() == 1 && m_content.isSelected(shelfItem.path());
    case IsEditingRole:
        return m_content.editingUrl() == shelfItem.path();
    default:
        return {};
    }
}

Qt::ItemFlags ShelfListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    // The rename field is not a drag source; tiles are.
    if (m_content.editingUrl() != item(index.row()).path())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QHash<int, QByteArray> ShelfListModel::roleNames() const
{
    auto names = QAbstractListModel::roleNames();
    names.insert(PathRole, "path");
    names.insert(IsDirectoryRole, "isDirectory");
    names.insert(ShowsButtonsRole, "showsButtons");
    names.insert(IsEditingRole, "isEditing");
    return names;
}

QStringList ShelfListModel::mimeTypes() const
{
    return { u"text/uri-list"_s, u"text/plain"_s };
}

QMimeData *ShelfListModel::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && (flags(index) & Qt::ItemIsDragEnabled))
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.isEmpty())
        return nullptr;
    QList<ShelfItem> items;
    items.reserve(rows.size());
    for (int row : std::as_const(rows))
        items.append(item(row));
    return createDragData(items);
}

Qt::DropActions ShelfListModel::supportedDragActions() const
{
    // The receiver gets a copy; the file stays on the shelf.
    return Qt::CopyAction;
}

int ShelfListModel::rowOf(const QByteArray &path) const
{
    const auto &items = m_content.displayItems();
    if (m_rows.isEmpty() && !items.isEmpty()) {
        m_rows.reserve(items.size());
        for (int row = 0; row < items.size(); ++row)
            m_rows.insert(items.at(row).path(), row);
    }
    return m_rows.value(path, -1);
}

int ShelfListModel::buttonRow() const
{
    return m_buttonPath ? rowOf(*m_buttonPath) : -1;
}

int ShelfListModel::editingRow() const
{
    return m_editingPath ? rowOf(*m_editingPath) : -1;
}

void ShelfListModel::onItemsChanged()
{
    beginResetModel();
    m_rows.clear();
    m_buttonPath = singleSelection(m_content);
    m_editingPath = m_content.editingUrl();
    endResetModel();
}

void ShelfListModel::onSelectionChanged()
{
    const auto path = singleSelection(m_content);
    if (path == m_buttonPath)
        return;
    const int oldRow = buttonRow();
    m_buttonPath = path;
    emitRowChanged(oldRow, { ShowsButtonsRole });
    emitRowChanged(buttonRow(), { ShowsButtonsRole });
}

void ShelfListModel::onEditingChanged()
{
    const auto path = m_content.editingUrl();
    if (path == m_editingPath)
        return;
    const int oldRow = editingRow();
    m_editingPath = path;
    emitRowChanged(oldRow, { IsEditingRole, Qt::EditRole });
    emitRowChanged(editingRow(), { IsEditingRole, Qt::EditRole });
}

void ShelfListModel::emitRowChanged(int row, const QList<int> &roles)
{
    if (row < 0)
        return;
    const QModelIndex index = this->index(row);
    Q_EMIT dataChanged(index, index, roles);
}

} // namespace vantry
