#pragma once
// A thread for slow work, writing and syncing files, that whoever hands it on need not
// wait for.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qm {

/// Runs one task at a time, in the order they are handed on, on a thread started with the
/// first.
class WorkerThread {
public:
    WorkerThread() = default;
    /// Waits for the task handed on, then ends the thread.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    /// Waits for the task before, then starts `task`. What it touches is left alone until
    /// wait() returns.
    void run(std::function<void()> task);
    /// Returns once the task handed on has run.
    void wait();

private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_task;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace qm
