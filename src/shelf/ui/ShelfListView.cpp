// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/ui/ShelfListView.h"

#include "shelf/ui/ShelfItemDelegate.h"
#include "shelf/ui/ShelfListModel.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace vantry {

ShelfListView::ShelfListView(QWidget *parent)
    : QListView(parent)
{
    // One size for every row: layout stays O(1) for a folder of any size.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideMiddle);
    setFrameShape(QFrame::NoFrame);
}

QSize ShelfListView::sizeHint() const
{
    // A screenshot's name (39 characters) is a long everyday name: rows show it in full beside
    // the icon and the scroll bar, and the selected row, with its two buttons, about 30
    // characters. In the default 9 pt sans font it is 257 px wide at 1x and at 2x, so the list
    // is 315 px wide (the list's own default was 256, about 25 characters); larger fonts widen it.
    const int name = fontMetrics().horizontalAdvance(u"Screenshot from 2026-12-07 14-05-31.png"_s);
    const int chrome = 2 * ShelfItemDelegate::padding + ShelfItemDelegate::iconSize
        + ShelfItemDelegate::spacing
        + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return { name + chrome + 2 * frameWidth(), QListView::sizeHint().height() };
}

void ShelfListView::setShelfModel(ShelfListModel *model)
{
    m_model = model;
    setModel(model);
}

void ShelfListView::setRowButtons(QToolButton *preview, QToolButton *rename)
{
    m_preview = preview;
    m_rename = rename;
    connect(preview, &QToolButton::clicked, this, &ShelfListView::onPreviewClicked);
    connect(rename, &QToolButton::clicked, this, &ShelfListView::renameRequested);
    placeRowButtons();
}

void ShelfListView::onPreviewClicked()
{
    const int row = m_model ? m_model->buttonRow() : -1;
    if (row >= 0)
        Q_EMIT previewRequested(m_model->item(row).path());
}

void ShelfListView::placeRowButtons()
{
    if (!m_preview || !m_rename)
        return;
    const int row = m_model ? m_model->buttonRow() : -1;
    QRect rowRect;
    if (row >= 0 && row != m_model->editingRow())
        rowRect = visualRect(m_model->index(row));
    const QRect renameRect = ShelfItemDelegate::renameButtonRect(rowRect);
    const QRect previewRect = ShelfItemDelegate::previewButtonRect(rowRect);
    // Only over a row that is fully in sight, or the buttons would float over other widgets.
    if (!rowRect.isValid() || !viewport()->rect().contains(renameRect)
        || !viewport()->rect().contains(previewRect)) {
        m_preview->hide();
        m_rename->hide();
        return;
    }
    const auto place = [this](QToolButton *button, const QRect &inViewport) {
        QWidget *host = button->parentWidget();
        const QPoint topLeft = viewport()->mapTo(host, inViewport.topLeft());
        button->setGeometry(QRect(topLeft, inViewport.size()));
        button->raise();
    };
    place(m_preview, QStyle::visualRect(layoutDirection(), viewport()->rect(), previewRect));
    place(m_rename, QStyle::visualRect(layoutDirection(), viewport()->rect(), renameRect));
    // A folder keeps the Preview button's place, but the button is not shown.
    const bool directory = m_model->item(row).isDirectory();
    m_preview->setVisible(!directory);
    m_rename->show();
}

void ShelfListView::keyPressEvent(QKeyEvent *event)
{
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    const bool space = key == Qt::Key_Space && mods == Qt::NoModifier;
    const bool enter = (key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier;
    const bool upDown = (key == Qt::Key_Down || key == Qt::Key_Up) && mods == Qt::NoModifier;
    const bool jump = (key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_PageUp
                          || key == Qt::Key_PageDown)
        && mods == Qt::NoModifier;
    const bool nothingSelected
        = selectionModel() && !selectionModel()->hasSelection() && currentIndex().isValid();
    if (upDown && nothingSelected) {
        // Nothing selected yet: the first arrow press selects the row with the focus
        // (the first row when the shelf appears) rather than skipping past it.
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
        event->accept();
        return;
    }
    if (jump && nothingSelected) {
        // Qt selects only when the current row moves; Home on the first row (or PageUp near
        // the top) would leave nothing selected, so Space and Return would do nothing.
        QListView::keyPressEvent(event);
        if (!selectionModel()->hasSelection() && currentIndex().isValid())
            selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
        return;
    }
    if (space && isTypeAheadUnderWay()) {
        // "file 5": the space belongs to the name being typed.
        keyboardSearch(event->text());
        event->accept();
        return;
    }
    if (!space && !enter) {
        QListView::keyPressEvent(event);
        return;
    }
    // These act only on the row selected alone, as its buttons do.
    event->accept();
    const int row = m_model ? m_model->buttonRow() : -1;
    if (row < 0 || row == m_model->editingRow())
        return;
    if (space)
        Q_EMIT previewRequested(m_model->item(row).path());
    else
        Q_EMIT renameRequested();
}

void ShelfListView::keyboardSearch(const QString &search)
{
    QListView::keyboardSearch(search);
    m_lastTypeAhead.start();
}

bool ShelfListView::isTypeAheadUnderWay() const
{
    return m_lastTypeAhead.isValid()
        && m_lastTypeAhead.elapsed() < QApplication::keyboardInputInterval();
}

void ShelfListView::startDrag(Qt::DropActions)
{
    QModelIndexList indexes;
    const QModelIndexList selected = selectedIndexes();
    for (const QModelIndex &index : selected) {
        if (model()->flags(index) & Qt::ItemIsDragEnabled)
            indexes.append(index);
    }
    if (indexes.isEmpty())
        return;
    QMimeData *data = model()->mimeData(indexes);
    if (!data)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    const QIcon icon = indexes.constFirst().data(Qt::DecorationRole).value<QIcon>();
    const int size = ShelfItemDelegate::iconSize * 2;
    drag->setPixmap(icon.pixmap(QSize(size, size), devicePixelRatioF()));
    drag->setHotSpot(QPoint(size / 2, size / 2));
    // Copy only: the receiver gets its own file and the shelf keeps the item.
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void ShelfListView::updateGeometries()
{
    QListView::updateGeometries();
    placeRowButtons();
}

void ShelfListView::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    placeRowButtons();
}

void ShelfListView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    placeRowButtons();
}

void ShelfListView::moveEvent(QMoveEvent *event)
{
    QListView::moveEvent(event);
    placeRowButtons();
}

void ShelfListView::dataChanged(
    const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    QListView::dataChanged(topLeft, bottomRight, roles);
    placeRowButtons();
}

} // namespace vantry
