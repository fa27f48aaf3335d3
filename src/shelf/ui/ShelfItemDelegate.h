// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

namespace vantry {

// Draws a shelf row as the item tile: icon, name and, on the row selected alone,
// room for the Preview and Rename buttons (real buttons laid over the row by the
// list, so that they are focusable by screen readers). The row being renamed is
// drawn empty under its ShelfItemEditView, which this delegate creates.
class ShelfItemDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int padding = 8;
    static constexpr int iconSize = 20;
    static constexpr int spacing = 8;
    static constexpr int buttonSize = 24;
    static constexpr int buttonSpacing = 2;

    explicit ShelfItemDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(
        QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;

    /// Where the Preview and Rename buttons sit in a row's rectangle.
    static QRect previewButtonRect(const QRect &row);
    static QRect renameButtonRect(const QRect &row);

protected:
    // The rename field handles its own keys and focus; the default filter would
    // commit or close it on Return, Escape, Tab and focus loss.
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    int m_editorHeight = 0;
};

} // namespace vantry
