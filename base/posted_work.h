#pragma once
// CPostedWork: work handed from any thread to the one thread that runs it, run in the
// order it was handed. The link worker posts its events this way to the window's thread
// and to the poll loop of a program without one.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class CPostedWork {
public:
    // Queues work after what was queued before; any thread may call it.
    void Push(std::function<void()> work);
    // Runs the oldest queued work on the calling thread. The queue is not locked while the
    // work runs, so it may queue more. False when nothing was queued.
    bool RunOne();
    // Drops what is queued, unrun: it may name objects that are gone.
    void Clear();
    // Waits until something is queued or the time has come; true when something is queued.
    bool WaitUntil(std::chrono::steady_clock::time_point until);

private:
    std::mutex m_lock;
    std::condition_variable m_pushed;
    std::deque<std::function<void()>> m_work;
};
