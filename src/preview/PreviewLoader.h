// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "preview/PreviewContent.h"

#include <QObject>
#include <QSize>
#include <QThreadPool>

#include <memory>

namespace vantry {

// Loads preview content off the main thread, one request at a time from the caller's
// view: a new request makes every earlier one stale, and stale results are dropped.
class PreviewLoader final : public QObject
{
    Q_OBJECT

public:
    explicit PreviewLoader(QObject *parent = nullptr);
    ~PreviewLoader() override;

    /// Starts loading path (raw bytes), images scaled to fit fitPixels; returns at once.
    void request(const QByteArray &path, const QSize &fitPixels);
    /// Makes the pending request stale without starting another.
    void cancel();
    /// The path of the request whose result is still awaited, or empty.
    QByteArray pendingPath() const { return m_pendingPath; }

Q_SIGNALS:
    /// The content of the latest request, on the thread that made it.
    void loaded(std::shared_ptr<vantry::PreviewContent> content);

private:
    QThreadPool m_pool;
    quint64 m_generation = 0;
    QByteArray m_pendingPath;
};

} // namespace vantry
