#pragma once
// CTerminationWatch: how the program ends when it is ended from outside (SIGHUP, SIGINT,
// SIGTERM; see base/termination_signals.h). The signal is read by the event loop; the owner's
// release runs on the UI thread, then the process ends by that signal, so that whoever
// started it sees which signal ended it. main has blocked the signals before any thread
// started.

#include "framework/afx.h"

#include <functional>
#include <memory>

class CTerminationWatch {
public:
    // release gives back what the program holds (the port and its lock file); it runs at
    // most once. When the signals cannot be read, they are unblocked instead and end the
    // program at once, as they would without this watch.
    explicit CTerminationWatch(std::function<void()> release);
    ~CTerminationWatch();
    CTerminationWatch(const CTerminationWatch&) = delete;
    CTerminationWatch& operator=(const CTerminationWatch&) = delete;

    // For the program's way out: a signal that came and was not read yet (while the main
    // window was closing, with its port released already) ends the process by it now.
    void EndByWaitingSignal();

private:
    void OnReadable();

    int m_descriptor = -1;
    std::function<void()> m_release;
    std::unique_ptr<CDescriptorWatch> m_watch;
};
