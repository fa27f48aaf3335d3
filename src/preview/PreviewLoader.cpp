// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewLoader.h"

#include "preview/PreviewContentLoading.h"

#include <QMetaObject>
#include <QMutex>

namespace vantry {

// Where workers hand in results. A worker may outlive its loader, so it holds this
// instead of the loader; the loader closes it before it goes.
struct PreviewLoader::Outbox
{
    QMutex mutex;
    PreviewLoader *loader = nullptr;

    void post(quint64 generation, std::shared_ptr<PreviewContent> content)
    {
        const QMutexLocker lock(&mutex);
        // Queued while the loader is alive; a loader destroyed after this drops the event.
        if (loader)
            QMetaObject::invokeMethod(
                loader,
                [target = loader, generation, content = std::move(content)]() mutable {
                    target->deliver(generation, std::move(content));
                },
                Qt::QueuedConnection);
    }
};

PreviewLoader::PreviewLoader(QObject *parent)
    : PreviewLoader(
        [](const QByteArray &path, const PreviewFit &fit) { return loadPreviewContent(path, fit); },
        parent)
{ }

PreviewLoader::PreviewLoader(Load load, QObject *parent)
    : QObject(parent)
    , m_load(std::move(load))
    , m_outbox(std::make_shared<Outbox>())
    // Two workers: a slow decode still running does not hold up the next item.
    , m_pool(2)
{
    m_outbox->loader = this;
}

PreviewLoader::~PreviewLoader()
{
    const QMutexLocker lock(&m_outbox->mutex);
    m_outbox->loader = nullptr;
}

void PreviewLoader::request(const QByteArray &path, const PreviewFit &fit)
{
    const quint64 generation = ++m_generation;
    m_pool.startLatest([load = m_load, outbox = m_outbox, generation, path, fit] {
        outbox->post(generation, load(path, fit));
    });
}

void PreviewLoader::deliver(quint64 generation, std::shared_ptr<PreviewContent> content)
{
    if (generation != m_generation)
        return;
    Q_EMIT loaded(std::move(content));
}

} // namespace vantry
