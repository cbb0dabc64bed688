#include "base/posted_work.h"

void CPostedWork::Push(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_work.push_back(std::move(work));
    }
    m_pushed.notify_all();
}

bool CPostedWork::RunOne() {
    std::function<void()> work;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_work.empty()) {
            return false;
        }
        work = std::move(m_work.front());
        m_work.pop_front();
    }
    work();
    return true;
}

void CPostedWork::Clear() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        dropped.swap(m_work);
    }
    // Destroyed unlocked: what a piece of work holds may post in its destructor.
}

bool CPostedWork::WaitUntil(std::chrono::steady_clock::time_point until) {
    std::unique_lock<std::mutex> guard(m_lock);
    return m_pushed.wait_until(guard, until, [this] { return !m_work.empty(); });
}
