// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QWidget>

class QLabel;
class QLineEdit;

namespace vantry {

// The rename field that takes the place of a tile while its item is renamed:
// the item's icon and a one-line field holding the proposed name. It renames
// nothing itself: Return reports commitRequested, Escape cancelRequested, and
// every edit textEdited; the shelf decides what follows.
class ShelfItemEditView final : public QWidget
{
    Q_OBJECT

public:
    ShelfItemEditView(QByteArray path, bool isDirectory, QWidget *parent = nullptr);

    QByteArray path() const { return m_path; }
    QString text() const;
    /// Shows text unless the field already holds it (so the cursor stays put).
    void setText(const QString &text);
    QLineEdit *field() const { return m_field; }
    /// Selects the name without its extension, as file managers do when renaming starts; the
    /// whole name of a folder or of a name without one (".bashrc" has none).
    void selectName();

Q_SIGNALS:
    void textEdited(const QString &text);
    void commitRequested();
    void cancelRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QByteArray m_path;
    bool m_isDirectory = false;
    QLabel *m_icon = nullptr;
    QLineEdit *m_field = nullptr;
};

} // namespace vantry
