// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "preview/PreviewContent.h"

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QTimer>

#include <memory>
#include <optional>

namespace vantry {

// Plays an animated image. Frames are decoded on a worker thread, one frame ahead of the one shown,
// so a large animation never holds up the main thread and never holds more than two frames.
// Decoding happens only while the player runs.
class AnimationPlayer final : public QObject
{
    Q_OBJECT

public:
    enum class State { notRunning, paused, running };

    /// Plays the image in file (read from its start), frames scaled to scaledSize when valid.
    AnimationPlayer(std::shared_ptr<FileHandle> file, QSize scaledSize, QObject *parent = nullptr);
    ~AnimationPlayer() override;

    State state() const { return m_state; }
    /// The frame shown last (null before the first one).
    QImage currentFrame() const { return m_current; }
    /// Frames decoded so far.
    int framesDecoded() const { return m_decoded; }
    /// Whether a frame is being decoded on the worker right now.
    bool isDecoding() const { return m_watcher.isRunning(); }

    /// Starts or resumes playing.
    void start();
    /// Pauses (keeping the frame shown) or resumes.
    void setPaused(bool paused);
    /// Stops for good; an animation also stops by itself once it has played as often as
    /// its file asks, keeping its last frame.
    void stop();

Q_SIGNALS:
    /// A new frame is to be shown.
    void frameChanged(const QImage &frame);
    /// No frame could be decoded (also the very first); the player has stopped.
    void failed();

private:
    struct Decoder;
    struct Frame
    {
        QImage image;
        int delayMs = 0;
        bool ended = false; // played as often as the file asks
    };

    void requestFrame();
    void onDecoded();
    void onTimer();
    void present(Frame frame);

    std::shared_ptr<Decoder> m_decoder;
    QFutureWatcher<Frame> m_watcher;
    QTimer m_timer;
    State m_state = State::notRunning;
    std::optional<Frame> m_ready; // decoded, waiting for its turn
    bool m_stopped = false;
    bool m_due = false; // the shown frame's time is up and the next one is not ready yet
    QImage m_current;
    int m_decoded = 0;
};

} // namespace vantry
