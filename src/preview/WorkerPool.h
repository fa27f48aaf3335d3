// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QThreadPool;

namespace vantry {

// Worker threads that never hold up quitting. Destroying the pool waits a moment for the
// work under way; a worker still busy after that (a read from a hung network file system,
// a decoder that never ends) is left to finish on its own, and its pool is never
// destroyed. Tasks must therefore keep whatever they touch alive themselves.
class WorkerPool final
{
public:
    /// How long the destructor waits for running work.
    static constexpr int finishWaitMs = 1000;

    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    /// Runs task on a worker as the only work that matters: work still waiting is dropped,
    /// and work still running is taken for stale, so task gets a thread of its own (up to a
    /// ceiling) instead of waiting behind it.
    void startLatest(std::function<void()> task);
    /// The threads, for QtConcurrent.
    QThreadPool *threads() const { return m_pool; }

private:
    QThreadPool *m_pool;
    int m_threads;
};

} // namespace vantry
