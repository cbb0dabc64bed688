#pragma once
// A process that lives until the object goes, for a lock file that names a running
// program: it waits for the end of a pipe that only the test holds open, and is ready (of
// its user) when the constructor returns; no sleep orders the two.

#include <cerrno>
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

class LiveChild {
public:
    // With a user id (root only), the child runs as that user and its group of the same
    // number.
    explicit LiveChild(int uid = -1) {
        int fds[2];
        int ready[2];
        if (pipe(fds) != 0) {
            return;
        }
        if (pipe(ready) != 0) {
            close(fds[0]);
            close(fds[1]);
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            close(fds[1]);
            close(ready[0]);
            if (uid >= 0 && (setgroups(0, nullptr) != 0 || setresgid(uid, uid, uid) != 0 ||
                             setresuid(uid, uid, uid) != 0)) {
                _exit(2);
            }
            // Only now is it the user it is meant to be.
            const char byte = 1;
            if (write(ready[1], &byte, 1) != 1) {
                _exit(3);
            }
            close(ready[1]);
            char ignored;
            while (read(fds[0], &ignored, 1) > 0) {
            }
            _exit(0);
        }
        close(fds[0]);
        close(ready[1]);
        m_write = fds[1];
        char byte = 0;
        ssize_t n;
        do {
            n = read(ready[0], &byte, 1);
        } while (n < 0 && errno == EINTR);
        close(ready[0]);
        if (n != 1) {
            // The child could not become that user and has ended.
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }
    ~LiveChild() {
        if (m_write >= 0) {
            close(m_write);
        }
        if (m_pid > 0) {
            waitpid(m_pid, nullptr, 0);
        }
    }
    LiveChild(const LiveChild&) = delete;
    LiveChild& operator=(const LiveChild&) = delete;

    int Pid() const { return m_pid; }

private:
    int m_pid = -1;
    int m_write = -1;
};
