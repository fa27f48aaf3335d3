// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/AnimationPlayer.h"

#include "preview/WorkerPool.h"

#include <QFile>
#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>

#include <unistd.h>

namespace vantry {

namespace {
// What browsers do with frames that ask for no delay at all.
constexpr int shortestDelayMs = 20;
constexpr int defaultDelayMs = 100;

// Shared by all players; one at a time is shown, and an old one's last decode may
// still be finishing.
WorkerPool &decodePool()
{
    static WorkerPool pool(2);
    return pool;
}
} // namespace

// Touched by one decode at a time, on the worker: the player never starts a decode while
// another one is under way.
struct AnimationPlayer::Decoder
{
    std::shared_ptr<FileHandle> handle;
    QFile file;
    std::unique_ptr<QImageReader> reader;
    QSize scaledSize;
    int repeats = 0;
    int framesThisPlay = 0;

    bool rewind()
    {
        reader.reset();
        if (!file.isOpen()
            && !file.open(handle->fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            return false;
        if (!file.seek(0))
            return false;
        reader = std::make_unique<QImageReader>(&file);
        framesThisPlay = 0;
        if (scaledSize.isValid())
            reader->setScaledSize(scaledSize);
        return true;
    }

    Frame next()
    {
        // After the last frame the animation starts over, as often as the file asks
        // (-1: for ever), as browsers and QMovie do.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!reader && !rewind())
                return {};
            QImage image = reader->read();
            if (!image.isNull()) {
                ++framesThisPlay;
                const int delay = reader->nextImageDelay();
                return { std::move(image),
                    delay > 0 ? std::max(delay, shortestDelayMs) : defaultDelayMs };
            }
            const int loops = reader->loopCount();
            reader.reset();
            // A file that yields no frame at all has failed, not ended.
            if (framesThisPlay > 0 && loops >= 0 && ++repeats > loops)
                return { {}, 0, true };
        }
        return {};
    }
};

AnimationPlayer::AnimationPlayer(
    std::shared_ptr<FileHandle> file, QSize scaledSize, QObject *parent)
    : QObject(parent)
    , m_decoder(std::make_shared<Decoder>())
{
    m_decoder->handle = std::move(file);
    m_decoder->scaledSize = scaledSize;
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AnimationPlayer::onTimer);
    connect(&m_watcher, &QFutureWatcher<Frame>::finished, this, &AnimationPlayer::onDecoded);
}

// A decode under way finishes on its own: the decoder lives as long as its task.
AnimationPlayer::~AnimationPlayer() = default;

void AnimationPlayer::start()
{
    setPaused(false);
}

void AnimationPlayer::setPaused(bool paused)
{
    if (m_stopped)
        return;
    if (paused) {
        if (m_state != State::running)
            return;
        m_state = State::paused;
        m_timer.stop();
        m_due = false;
        return;
    }
    if (m_state == State::running || !m_decoder->handle || !m_decoder->handle->isValid())
        return;
    m_state = State::running;
    // The frame that was due when the player paused is shown at once.
    if (m_ready)
        present(*std::exchange(m_ready, std::nullopt));
    else {
        m_due = true;
        if (!m_watcher.isRunning())
            requestFrame();
    }
}

void AnimationPlayer::stop()
{
    m_timer.stop();
    m_due = false;
    m_ready.reset();
    m_state = State::notRunning;
    m_stopped = true;
}

void AnimationPlayer::requestFrame()
{
    const std::shared_ptr<Decoder> decoder = m_decoder;
    m_watcher.setFuture(
        QtConcurrent::run(decodePool().threads(), [decoder] { return decoder->next(); }));
}

void AnimationPlayer::onDecoded()
{
    Frame frame = m_watcher.result();
    if (frame.ended) {
        // The last frame stays.
        stop();
        return;
    }
    if (frame.image.isNull()) {
        stop();
        Q_EMIT failed();
        return;
    }
    ++m_decoded;
    if (m_state == State::running && m_due)
        present(std::move(frame));
    else if (m_state != State::notRunning)
        m_ready = std::move(frame);
}

void AnimationPlayer::onTimer()
{
    if (m_state != State::running)
        return;
    if (m_ready)
        present(*std::exchange(m_ready, std::nullopt));
    else
        m_due = true;
}

void AnimationPlayer::present(Frame frame)
{
    m_due = false;
    m_current = std::move(frame.image);
    Q_EMIT frameChanged(m_current);
    m_timer.start(frame.delayMs);
    // The next frame decodes while this one shows.
    requestFrame();
}

} // namespace vantry
