// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewLoader.h"

#include "preview/PreviewContentLoading.h"

#include <QMetaObject>

namespace vantry {

PreviewLoader::PreviewLoader(QObject *parent)
    : QObject(parent)
{
    // Two workers: a slow decode still running does not hold up the next item.
    m_pool.setMaxThreadCount(2);
}

PreviewLoader::~PreviewLoader()
{
    m_pool.clear();
    m_pool.waitForDone();
}

void PreviewLoader::request(const QByteArray &path, const QSize &fitPixels)
{
    // Work that has not started yet for an older request is not worth doing.
    m_pool.clear();
    const quint64 generation = ++m_generation;
    m_pendingPath = path;
    // The destructor waits for the pool, so this outlives every task; a result queued to
    // a loader destroyed meanwhile is discarded with the loader's posted events.
    m_pool.start([this, generation, path, fitPixels] {
        std::shared_ptr<PreviewContent> content = loadPreviewContent(path, fitPixels);
        QMetaObject::invokeMethod(
            this,
            [this, generation, content = std::move(content)]() mutable {
                if (generation != m_generation)
                    return;
                m_pendingPath.clear();
                Q_EMIT loaded(std::move(content));
            },
            Qt::QueuedConnection);
    });
}

void PreviewLoader::cancel()
{
    m_pool.clear();
    ++m_generation;
    m_pendingPath.clear();
}

} // namespace vantry
