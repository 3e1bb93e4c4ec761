#include "store/worker_thread.h"

#include <utility>

namespace qm {

WorkerThread::~WorkerThread() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void WorkerThread::run(std::function<void()> task) {
    wait();
    {
        const std::lock_guard lock(m_mutex);
        m_task = std::move(task);
        m_busy = true;
    }
    if (!m_thread.joinable())
        m_thread = std::thread([this] { loop(); });
    m_changed.notify_all();
}

void WorkerThread::wait() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
}

void WorkerThread::loop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_busy || m_stop; });
        if (!m_busy)
            return; // stopped, with nothing left to run
        lock.unlock();
        m_task();
        lock.lock();
        m_task = nullptr;
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace qm
