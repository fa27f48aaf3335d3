// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QHash>
#include <QObject>

namespace vantry {

// Answers for our last drag's data on X11. Qt's xcb plugin answers only requests stamped
// with the drag's own times and forgets the data once the target is finished; GNOME's
// compositor, carrying a drop into a Wayland program, asks with times of its own.
class X11DragData final : public QObject, public QAbstractNativeEventFilter
{
public:
    /// Watches the application's drags; does nothing outside X11.
    static void install();

    bool eventFilter(QObject *watched, QEvent *event) override;
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override;

private:
    explicit X11DragData(QObject *parent);
    void keep(QObject *child);

    QHash<QByteArray, QByteArray> m_data; // by MIME type
};

} // namespace vantry
