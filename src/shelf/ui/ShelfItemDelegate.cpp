// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/ui/ShelfItemDelegate.h"

#include "icons/PictureMode.h"
#include "shelf/ui/ShelfColors.h"
#include "shelf/ui/ShelfItemEditView.h"
#include "shelf/ui/ShelfListModel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>

namespace vantry {

ShelfItemDelegate::ShelfItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
    // Every row has the height of the rename field's row, so sizes stay uniform.
    const QLineEdit probe;
    m_editorHeight = probe.sizeHint().height();
}

QRect ShelfItemDelegate::renameButtonRect(const QRect &row)
{
    return QRect(row.right() + 1 - padding - buttonSize,
        row.top() + (row.height() - buttonSize) / 2, buttonSize, buttonSize);
}

QRect ShelfItemDelegate::previewButtonRect(const QRect &row)
{
    return renameButtonRect(row).translated(-(buttonSize + buttonSpacing), 0);
}

QSize ShelfItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    const int content
        = std::max({ iconSize, buttonSize, option.fontMetrics.height(), m_editorHeight });
    return QSize(padding * 2 + iconSize + spacing + option.fontMetrics.averageCharWidth() * 8,
        padding * 2 + content);
}

void ShelfItemDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QRect row = option.rect;
    const QPalette &palette = option.palette;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group
        = (option.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;

    painter->save();
    if (selected)
        painter->fillRect(row, palette.brush(group, QPalette::Highlight));
    // Separators run from the leading edge, not inset like the content.
    painter->setPen(ShelfColors::separator());
    if (index.row() == 0)
        painter->drawLine(row.left(), row.top(), row.right(), row.top());
    painter->drawLine(row.left(), row.bottom(), row.right(), row.bottom());

    if (index.data(ShelfListModel::IsEditingRole).toBool()) {
        painter->restore();
        return; // the rename field covers this row
    }

    const bool rtl = option.direction == Qt::RightToLeft;
    const QRect iconRect = QStyle::visualRect(option.direction, row,
        QRect(row.left() + padding, row.top() + (row.height() - iconSize) / 2, iconSize, iconSize));
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    // File icons keep their own colours on the highlight (the selected mode fades them into
    // it); only our tinted symbols take the highlighted text colour.
    const bool symbol = selected && pictureModeEnabled();
    icon.paint(painter, iconRect, Qt::AlignCenter, symbol ? QIcon::Selected : QIcon::Normal);

    int textLeft = row.left() + padding + iconSize + spacing;
    int textRight = row.right() - padding;
    if (index.data(ShelfListModel::ShowsButtonsRole).toBool())
        textRight = previewButtonRect(row).left() - spacing;
    QRect textRect(textLeft, row.top(), std::max(0, textRight - textLeft + 1), row.height());
    textRect = QStyle::visualRect(option.direction, row, textRect);

    painter->setFont(option.font);
    painter->setPen(
        selected ? palette.color(group, QPalette::HighlightedText) : ShelfColors::name(palette));
    // Middle elision keeps the extension in sight.
    const QString name = option.fontMetrics.elidedText(
        index.data(Qt::DisplayRole).toString(), Qt::ElideMiddle, textRect.width());
    // Absolute: the painter would mirror the alignment once more in a right-to-left layout.
    painter->drawText(textRect,
        Qt::AlignVCenter | Qt::AlignAbsolute | (rtl ? Qt::AlignRight : Qt::AlignLeft)
            | Qt::TextSingleLine,
        name);

    if (option.state & QStyle::State_HasFocus) {
        // The current row of a focused list, framed as the style frames focus.
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = row.adjusted(1, 1, -1, -1);
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        focus.backgroundColor
            = selected ? palette.color(group, QPalette::Highlight) : ShelfColors::listBackground();
        const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
    painter->restore();
}

QWidget *ShelfItemDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    auto *editor = new ShelfItemEditView(index.data(ShelfListModel::PathRole).toByteArray(),
        index.data(ShelfListModel::IsDirectoryRole).toBool(), parent);
    editor->setText(index.data(Qt::EditRole).toString());
    return editor;
}

void ShelfItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *view = qobject_cast<ShelfItemEditView *>(editor))
        view->setText(index.data(Qt::EditRole).toString());
}

void ShelfItemDelegate::setModelData(QWidget *, QAbstractItemModel *, const QModelIndex &) const
{
    // The typed name reaches the shelf through ShelfItemEditView::textEdited.
}

void ShelfItemDelegate::updateEditorGeometry(
    QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const
{
    editor->setGeometry(option.rect.adjusted(0, 1, 0, -1)); // keep the separators visible
}

bool ShelfItemDelegate::eventFilter(QObject *object, QEvent *event)
{
    return QObject::eventFilter(object, event);
}

} // namespace vantry
