#include "app/termination_watch.h"

#include "base/termination_signals.h"

#include <unistd.h>

CTerminationWatch::CTerminationWatch(std::function<void()> release)
    : m_descriptor(termination_signals::OpenDescriptor()), m_release(std::move(release)) {
    if (m_descriptor < 0) {
        // Blocked and never read, the signals could not end the program at all.
        termination_signals::Unblock();
        return;
    }
    m_watch = std::make_unique<CDescriptorWatch>(m_descriptor, [this] { OnReadable(); });
}

CTerminationWatch::~CTerminationWatch() {
    m_watch.reset();
    if (m_descriptor >= 0) {
        close(m_descriptor);
    }
}

void CTerminationWatch::OnReadable() {
    const int signal = termination_signals::Take(m_descriptor);
    if (signal == 0) {
        return;
    }
    if (m_release) {
        // Taken out first: a second signal during the release finds nothing to run.
        auto release = std::move(m_release);
        m_release = nullptr;
        release();
    }
    termination_signals::EndBy(signal);
}

void CTerminationWatch::EndByWaitingSignal() {
    if (m_descriptor < 0) {
        return;
    }
    if (const int signal = termination_signals::Take(m_descriptor)) {
        termination_signals::EndBy(signal);
    }
}
