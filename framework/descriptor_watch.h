// CDescriptorWatch: a descriptor watched by the event loop.
#pragma once

#include <functional>
#include <memory>

// While the object lives, onReadable runs on the UI thread each time fd has something to
// read, from whichever event loop runs then (a modal dialog's or a message box's included).
// It must read what waits, or it runs again at once. The descriptor stays the caller's.
class CDescriptorWatch {
public:
    CDescriptorWatch(int fd, std::function<void()> onReadable);
    ~CDescriptorWatch();
    CDescriptorWatch(const CDescriptorWatch&) = delete;
    CDescriptorWatch& operator=(const CDescriptorWatch&) = delete;

private:
    struct Notifier;
    std::unique_ptr<Notifier> m_notifier;
};
