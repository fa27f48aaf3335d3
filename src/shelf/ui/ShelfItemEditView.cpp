// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/ui/ShelfItemEditView.h"

#include "icons/FileIcons.h"
#include "icons/PictureMode.h"
#include "icons/SymbolIcons.h"
#include "shelf/ui/ShelfItemDelegate.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace vantry {

ShelfItemEditView::ShelfItemEditView(QByteArray path, bool isDirectory, QWidget *parent)
    : QWidget(parent)
    , m_path(std::move(path))
    , m_isDirectory(isDirectory)
    , m_icon(new QLabel(this))
    , m_field(new QLineEdit(this))
{
    const int size = ShelfItemDelegate::iconSize;
    // A folder always shows the folder symbol here, unlike the tile.
    QIcon icon;
    if (isDirectory)
        icon = symbolIcon(Symbol::folder, palette());
    else if (pictureModeEnabled())
        icon = symbolIcon(Symbol::page, palette());
    else
        icon = fileIcon(m_path, false);
    m_icon->setPixmap(icon.pixmap(QSize(size, size), devicePixelRatioF()));
    m_icon->setFixedSize(size, size);
    m_icon->setAlignment(Qt::AlignCenter);

    // The list paints its base translucent; the field keeps the ordinary opaque one.
    QPalette fieldPalette = m_field->palette();
    fieldPalette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Base));
    m_field->setPalette(fieldPalette);
    m_field->setPlaceholderText(tr("New name"));
    m_field->setAccessibleName(tr("New name"));
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, this, &ShelfItemEditView::textEdited);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(ShelfItemDelegate::padding, 0, ShelfItemDelegate::padding, 0);
    layout->setSpacing(ShelfItemDelegate::spacing);
    layout->addWidget(m_icon);
    layout->addWidget(m_field, 1);
    setFocusProxy(m_field);
}

QString ShelfItemEditView::text() const
{
    return m_field->text();
}

void ShelfItemEditView::setText(const QString &text)
{
    if (m_field->text() != text)
        m_field->setText(text);
}

void ShelfItemEditView::selectName()
{
    const qsizetype dot = m_isDirectory ? -1 : m_field->text().lastIndexOf(u'.');
    if (dot > 0)
        m_field->setSelection(0, int(dot));
    else
        m_field->selectAll();
}

void ShelfItemEditView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_field->setFocus(Qt::OtherFocusReason);
}

bool ShelfItemEditView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_field)
        return QWidget::eventFilter(watched, event);
    const auto isOurKey = [](const QKeyEvent *key) {
        const auto mods = key->modifiers() & ~Qt::KeypadModifier;
        return mods == Qt::NoModifier
            && (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return
                || key->key() == Qt::Key_Enter);
    };
    if (event->type() == QEvent::ShortcutOverride) {
        // The field comes first: Escape cancels the rename before it closes anything else.
        if (isOurKey(static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (isOurKey(key)) {
            if (key->key() == Qt::Key_Escape)
                Q_EMIT cancelRequested();
            else
                Q_EMIT commitRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vantry
