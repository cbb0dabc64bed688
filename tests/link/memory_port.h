#pragma once
// A port in memory for the link worker: the test reads what the worker wrote and feeds it
// what the device sends. Every hand-over goes through one mutex and a condition variable,
// and the worker's Wait sleeps on an eventfd that a feed signals, so the order of the two
// threads is the test's, never a sleep's.

#include "link/serial_port.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>

// The line both ends share; outlives the port the worker makes and closes.
class MemoryLine {
public:
    MemoryLine() : m_ready(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~MemoryLine() { ::close(m_ready); }
    MemoryLine(const MemoryLine&) = delete;
    MemoryLine& operator=(const MemoryLine&) = delete;

    // Characters from the device, for the worker's next read.
    void Feed(const std::string& characters) {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_feeds;
        m_toRead += characters;
        const std::uint64_t one = 1;
        (void)!::write(m_ready, &one, sizeof one);
    }
    // Waits until what the worker wrote holds text; gives whether it does.
    bool WaitWritten(const std::string& text, int ms = 5000) {
        return WaitFor(ms, [&] { return m_written.find(text) != std::string::npos; });
    }
    bool WaitClosed(int ms = 5000) {
        return WaitFor(ms, [&] { return m_closed; });
    }
    // Waits until the worker came back to wait for the port after its last write and with
    // everything fed read: what it wrote and read so far it has dealt with.
    bool WaitCaughtUp(int ms = 5000) {
        return WaitFor(ms, [&] {
            return m_toRead.empty() && m_writesAtWait == m_writes && m_feedsAtWait == m_feeds;
        });
    }
    std::string Written() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_written;
    }

    // As a pulled adapter: the port reports a hang-up and gives no more characters, until
    // it is opened again.
    void HangUp() {
        std::lock_guard<std::mutex> guard(m_lock);
        m_hungUp = true;
        const std::uint64_t one = 1;
        (void)!::write(m_ready, &one, sizeof one);
    }
    // Opens from now on fail with error (0: they succeed again).
    void SetFailOpen(int error) {
        std::lock_guard<std::mutex> guard(m_lock);
        failOpen = error;
    }
    int FailOpen() {
        std::lock_guard<std::mutex> guard(m_lock);
        return failOpen;
    }
    int Opens() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_opens;
    }
    std::string LastOpenedPath() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_openedPath;
    }

    // The port's side.
    int failOpen = 0; // set before the worker starts: Open fails with this errno
    int Open(const std::string& path = {}) {
        int opened = 0;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            ++m_opens;
            m_openedPath = path;
            if (failOpen == 0) {
                m_hungUp = false;
                m_closed = false;
                opened = 1;
            }
        }
        m_changed.notify_all();
        return opened;
    }
    // Waits until the port was opened (or tried) count times in all.
    bool WaitOpens(int count, int ms = 5000) {
        return WaitFor(ms, [&] { return m_opens >= count; });
    }
    bool HungUp() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_hungUp;
    }
    void Close() {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_closed = true;
        }
        m_changed.notify_all();
    }
    int Write(const void* buffer, std::size_t count) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_written.append(static_cast<const char*>(buffer), count);
            ++m_writes;
        }
        m_changed.notify_all();
        return static_cast<int>(count);
    }
    int Read(void* buffer, std::size_t maximum) {
        std::lock_guard<std::mutex> guard(m_lock);
        const std::size_t n = std::min(maximum, m_toRead.size());
        std::memcpy(buffer, m_toRead.data(), n);
        m_toRead.erase(0, n);
        if (m_toRead.empty()) {
            std::uint64_t value = 0;
            (void)!::read(m_ready, &value, sizeof value);
        }
        return static_cast<int>(n);
    }
    int ReadyFd() const { return m_ready; }
    // The worker is about to sleep in the port's Wait.
    void Waiting() {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_toRead.empty()) {
                m_writesAtWait = m_writes;
                m_feedsAtWait = m_feeds;
            }
        }
        m_changed.notify_all();
    }

private:
    template <class Done> bool WaitFor(int ms, Done done) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::milliseconds(ms), done);
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::string m_toRead;
    std::string m_written;
    bool m_closed = false;
    bool m_hungUp = false;
    int m_opens = 0;
    std::string m_openedPath;
    std::uint64_t m_writes = 0;
    std::uint64_t m_feeds = 0;
    // Writes and feeds as they stood when the worker last began to wait with nothing to read.
    std::uint64_t m_writesAtWait = 0;
    std::uint64_t m_feedsAtWait = 0;
    int m_ready;
};

class MemoryPort : public CSerialPort {
public:
    explicit MemoryPort(std::shared_ptr<MemoryLine> line) : m_line(std::move(line)) {}

    int Open(const std::string& path, int /*baudRate*/) override {
        m_failure = t_port_failure{};
        m_open = m_line->Open(path);
        if (m_open == 0) {
            m_failure.step = PortStep::Open;
            m_failure.error = m_line->FailOpen();
            m_failure.path = "memory:" + path;
        }
        return m_open;
    }
    const t_port_failure& Failure() const override { return m_failure; }
    int Close() override {
        if (m_open != 0) {
            m_line->Close();
            m_open = 0;
        }
        return 1;
    }
    int Write(const void* buffer, std::size_t count) override {
        return m_open != 0 ? m_line->Write(buffer, count) : 0;
    }
    int ReadSome(void* buffer, std::size_t maximum) override {
        return m_open != 0 ? m_line->Read(buffer, maximum) : 0;
    }
    t_port_wait Wait(int wakeFd, bool watchPort, int timeoutMs) override {
        m_line->Waiting();
        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {m_line->ReadyFd(), POLLIN, 0}};
        t_port_wait result;
        if (::poll(fds, watchPort ? 2 : 1, timeoutMs) <= 0) {
            return result;
        }
        result.woken = (fds[0].revents & POLLIN) != 0;
        result.readable = watchPort && (fds[1].revents & POLLIN) != 0;
        result.hungUp = watchPort && m_line->HungUp();
        return result;
    }
    int Descriptor() const override { return m_open != 0 ? m_line->ReadyFd() : -1; }

private:
    std::shared_ptr<MemoryLine> m_line;
    t_port_failure m_failure;
    int m_open = 0;
};
