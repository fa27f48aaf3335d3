// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QScreen;

namespace vantry {

class LayerShell;

// The frameless window that drops down from the tray icon and hosts the shelf.
// Its content is built on first showing. It takes the keyboard focus when shown;
// closing it when it loses activation is the status item access's job.
class DropDownWindow final : public QWidget
{
    Q_OBJECT

public:
    using ContentFactory = std::function<QWidget *(QWidget *parent)>;

    explicit DropDownWindow(ContentFactory contentFactory, QWidget *parent = nullptr);
    ~DropDownWindow() override;

    /// Shows the window placed at `anchor` (tray geometry or the point clicked; none where
    /// neither is known), or hides it.
    void toggle(const QRect &anchor);
    /// Shows, places and activates the window.
    void present(const QRect &anchor);

    /// The hosted content; null before the first showing.
    QWidget *content() const { return m_content; }

private:
    void ensureContent();
    /// Where a layer-shell window goes on the output of screen, or its corner (none).
    std::optional<QPoint> layerPosition(
        LayerShell &shell, const QRect &anchor, const QScreen *screen);

    ContentFactory m_contentFactory;
    QPointer<QWidget> m_content;
};

} // namespace vantry
