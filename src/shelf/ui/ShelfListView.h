// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QListView>
#include <QPointer>

class QToolButton;

namespace vantry {

class ShelfListModel;

// The shelf's list: multiple selection, drag-out of tiles as copies, and the
// keys of the row selected alone (Space previews, unless it continues a name
// being typed; Return renames). The Preview
// and Rename buttons are two real buttons, owned by the shelf view so that
// screen readers see them, which this list lays over the row selected alone.
class ShelfListView final : public QListView
{
    Q_OBJECT

public:
    explicit ShelfListView(QWidget *parent = nullptr);

    void setShelfModel(ShelfListModel *model);
    ShelfListModel *shelfModel() const { return m_model; }

    /// The buttons to lay over the row selected alone; they may live outside the list.
    /// Type-ahead: also records when the last search key came, so Space can continue it.
    void keyboardSearch(const QString &search) override;

    void setRowButtons(QToolButton *preview, QToolButton *rename);
    /// Moves the row buttons to the row selected alone, or hides them.
    void placeRowButtons();

    /// Wide enough for a long everyday name in full (see the .cpp for the measurements).
    QSize sizeHint() const override;

Q_SIGNALS:
    /// The Preview button or Space, on the row selected alone.
    void previewRequested(const QByteArray &path);
    /// The Rename button or Return, on the row selected alone.
    void renameRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
        const QList<int> &roles = {}) override;

private:
    void onPreviewClicked();
    /// A type-ahead search was typed to within the platform's keyboard input interval.
    bool isTypeAheadUnderWay() const;

    QPointer<ShelfListModel> m_model;
    QPointer<QToolButton> m_preview;
    QPointer<QToolButton> m_rename;
    QElapsedTimer m_lastTypeAhead;
};

} // namespace vantry
