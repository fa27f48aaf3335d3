// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "preview/PreviewPresenter.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <optional>

class QPropertyAnimation;
class QWidget;

namespace vantry {

class PreviewPanel;

// The floating preview panel beside the shelf window. One panel per process, created on
// the first show and reused for every later item; hidden by its close button or by
// Escape, never destroyed while the process runs.
class SlidePanelPreview final : public QObject, public PreviewPresenter
{
    Q_OBJECT

public:
    /// The process-wide instance, created on first use (needs the application object).
    static SlidePanelPreview &shared();

    explicit SlidePanelPreview(QObject *parent = nullptr);
    ~SlidePanelPreview() override;

    void show(
        const QByteArray &path, QWidget *anchor, PreviewSide side, int width, int height) override;
    void hide() override;

    /// The panel, or null before the first show.
    PreviewPanel *panel() const;
    /// Where the panel is going (the end of a running slide), or nullopt before the first show.
    std::optional<QRect> targetFrame() const { return m_targetFrame; }

    /// The visible area used to place a panel beside anchor: its screen's available
    /// geometry, or the primary screen's, or nullopt without any screen.
    static std::optional<QRect> visibleAreaFor(const QWidget *anchor);

private:
    class EscapeFilter;

    void showWindow(const QRect &frame);
    void showPopup(QWidget *shelf, PreviewSide side, const QSize &size);
    void place(const QRect &frame);

    QPointer<PreviewPanel> m_panel;
    QPointer<QPropertyAnimation> m_animation;
    QPointer<EscapeFilter> m_escapeFilter;
    std::optional<QRect> m_targetFrame;
};

} // namespace vantry
