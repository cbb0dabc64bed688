#include "base/termination_signals.h"

#include <cerrno>
#include <initializer_list>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace termination_signals {

sigset_t Set() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

void Block() {
    // A blocked signal is kept even when ignored, so an ignored one is left unblocked.
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGHUP, SIGINT, SIGTERM}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&set, signal);
        }
    }
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void Unblock() {
    const sigset_t set = Set();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

int OpenDescriptor() {
    const sigset_t set = Set();
    return signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

int Take(int descriptor) {
    signalfd_siginfo info{};
    for (;;) {
        const ssize_t got = read(descriptor, &info, sizeof info);
        if (got == static_cast<ssize_t>(sizeof info)) {
            return static_cast<int>(info.ssi_signo);
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return 0;
    }
}

void EndBy(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    // Raised while still blocked, the signal waits for this thread alone; unblocking
    // delivers it here, before any other thread could take it.
    raise(signal);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
}

} // namespace termination_signals
