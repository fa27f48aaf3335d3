// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "preview/PreviewContent.h"
#include "preview/WorkerPool.h"

#include <QObject>

#include <functional>
#include <memory>

namespace vantry {

// Loads preview content off the main thread, one request at a time from the caller's
// view: a new request makes every earlier one stale, and stale results are dropped.
// A worker stuck on an earlier request holds up neither the next request nor quitting.
class PreviewLoader final : public QObject
{
    Q_OBJECT

public:
    /// What runs on a worker for one request; loadPreviewContent unless a test says else.
    using Load
        = std::function<std::shared_ptr<PreviewContent>(const QByteArray &, const PreviewFit &)>;

    explicit PreviewLoader(QObject *parent = nullptr);
    explicit PreviewLoader(Load load, QObject *parent = nullptr);
    ~PreviewLoader() override;

    /// Starts loading path (raw bytes) to be shown at fit; returns at once.
    void request(const QByteArray &path, const PreviewFit &fit);

Q_SIGNALS:
    /// The content of the latest request, on the thread that made it.
    void loaded(std::shared_ptr<vantry::PreviewContent> content);

private:
    struct Outbox;

    void deliver(quint64 generation, std::shared_ptr<PreviewContent> content);

    Load m_load;
    std::shared_ptr<Outbox> m_outbox;
    WorkerPool m_pool;
    quint64 m_generation = 0;
};

} // namespace vantry
