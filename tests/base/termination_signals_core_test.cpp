// The termination signals as the program meets them, each in a child process of its own:
// sent to the process with kill while blocked, read once from the descriptor, then raised
// again so that the parent sees the process ended by it. One the process was started
// ignoring (nohup) stays ignored.
#include "base/termination_signals.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What the child reports through its exit code when it does not end by a signal.
constexpr int kReadAsExpected = 0;
constexpr int kNoDescriptor = 10;
constexpr int kWrongSignal = 11;
constexpr int kReadTwice = 12;
constexpr int kSurvivedEndBy = 13;

struct Case {
    int signal;
    bool ignoredAtStart;
};

// Runs in the forked child; only async-signal-safe calls from here on.
[[noreturn]] void Child(const Case& c) {
    if (c.ignoredAtStart) {
        signal(c.signal, SIG_IGN);
    }
    termination_signals::Block();
    kill(getpid(), c.signal);
    const int fd = termination_signals::OpenDescriptor();
    if (fd < 0) {
        _exit(kNoDescriptor);
    }
    pollfd ready{fd, POLLIN, 0};
    // An ignored signal is never queued: the descriptor stays quiet.
    poll(&ready, 1, c.ignoredAtStart ? 0 : 10000);
    const int taken = termination_signals::Take(fd);
    if (taken != (c.ignoredAtStart ? 0 : c.signal)) {
        _exit(kWrongSignal);
    }
    if (termination_signals::Take(fd) != 0) {
        _exit(kReadTwice);
    }
    if (taken == 0) {
        _exit(kReadAsExpected);
    }
    termination_signals::EndBy(taken);
    _exit(kSurvivedEndBy);
}

TEST(TerminationSignals, ReadOnceFromTheLoopThenRaisedAgainSoTheParentSeesIt) {
    const Case cases[] = {
        {SIGHUP, false},
        {SIGINT, false},
        {SIGTERM, false},
        {SIGHUP, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << strsignal(c.signal) << (c.ignoredAtStart ? ", ignored at start" : ""));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Child(c);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (c.ignoredAtStart) {
            ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
            EXPECT_EQ(WEXITSTATUS(status), kReadAsExpected);
        } else {
            ASSERT_TRUE(WIFSIGNALED(status)) << "exit code " << WEXITSTATUS(status);
            EXPECT_EQ(WTERMSIG(status), c.signal);
        }
    }
}

} // namespace
