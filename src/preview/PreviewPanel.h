// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QPoint>

#include <optional>

class QLabel;
class QToolButton;

namespace vantry {

class PreviewView;

// The floating panel around the preview: a tool window that stays on top, never takes
// focus, has no resize or minimise control, and a title strip with the file's name, a
// close button and room to drag the panel by. Closing only hides it.
class PreviewPanel final : public QFrame
{
    Q_OBJECT

public:
    explicit PreviewPanel(QWidget *parent = nullptr);

    /// True where the panel is a popup of the shelf window rather than a window of its own:
    /// on Wayland, where only the compositor places windows, and a popup (an xdg_popup) is
    /// kept beside its parent and never takes the focus.
    static bool isParentedPopup();

    /// Previews the file at path (raw bytes) and names it in the title strip.
    void setPath(const QByteArray &path, const QSize &fitSize);

    PreviewView *view() const { return m_view; }
    /// The file's name in the title strip, elided in the middle to fit.
    QLabel *title() const { return m_name; }
    QToolButton *closeButton() const { return m_close; }
    /// Height of the title strip above the content.
    int titleHeight() const;
    /// Moves the panel back to pos once if the window manager places it elsewhere while
    /// mapping it; a drag by the user or nullopt ends the watch.
    void holdPosition(std::optional<QPoint> pos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateIcons();
    void elideName();

    QWidget *m_title;
    QLabel *m_name;
    QToolButton *m_close;
    PreviewView *m_view;
    QPoint m_dragOffset;
    bool m_dragging = false;
    std::optional<QPoint> m_heldPosition;
    QString m_fullName;
};

} // namespace vantry
