// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/WorkerPool.h"

#include <QMutex>
#include <QThreadPool>

#include <algorithm>

namespace vantry {

namespace {

// Never more threads than this, however many workers are stuck.
constexpr int threadCeiling = 8;

// Pools whose workers outlived them. Kept reachable for the rest of the process so the
// leak checker sees them as held, not lost.
QBasicMutex abandonedMutex; // constant-initialised: usable at exit
QList<QThreadPool *> *abandoned = nullptr;

void abandon(QThreadPool *pool)
{
    const QMutexLocker lock(&abandonedMutex);
    if (!abandoned)
        abandoned = new QList<QThreadPool *>;
    abandoned->append(pool);
}

} // namespace

WorkerPool::WorkerPool(int threads)
    : m_pool(new QThreadPool)
    , m_threads(threads)
{
    m_pool->setMaxThreadCount(threads);
}

WorkerPool::~WorkerPool()
{
    m_pool->clear();
    if (m_pool->waitForDone(finishWaitMs)) {
        delete m_pool;
        return;
    }
    // No logging here: this may run among the static destructors at exit.
    abandon(m_pool);
}

void WorkerPool::startLatest(std::function<void()> task)
{
    m_pool->clear();
    m_pool->setMaxThreadCount(
        std::clamp(m_pool->activeThreadCount() + 1, m_threads, threadCeiling));
    m_pool->start(std::move(task));
}

} // namespace vantry
