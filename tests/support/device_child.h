#pragma once
// re2-device run by a test as a child process: with no display, its per-user folders inside
// a folder of the test's own, and everything it prints captured.

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <vector>

extern char** environ;

// re2-device beside the running test program (where the unprivileged run copies both),
// else where the build made it.
inline std::string DeviceProgram() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string beside;
    if (n > 0) {
        const std::string self(buffer, static_cast<std::size_t>(n));
        beside = self.substr(0, self.rfind('/') + 1) + "re2-device";
        if (::access(beside.c_str(), X_OK) == 0) {
            return beside;
        }
    }
#ifdef RE2_DEVICE_PROGRAM
    return RE2_DEVICE_PROGRAM;
#else
    return beside;
#endif
}

// A copy of re2-device in directory, made executable: a portable copy, which keeps what it
// keeps beside itself (a readout's part) in that folder. Gives its path; empty on failure.
inline std::string CopyDeviceProgramTo(const std::string& directory) {
    const std::string copy = directory + (directory.back() == '/' ? "" : "/") + "re2-device";
    std::error_code error;
    std::filesystem::copy_file(DeviceProgram(), copy,
                               std::filesystem::copy_options::overwrite_existing, error);
    return error ? std::string() : copy;
}

// Where the child's standard streams lead instead of the default (standard input the
// test's, standard output a pipe the test reads).
struct t_child_streams {
    std::string input;  // a file to read standard input from
    std::string output; // a file to write standard output to (/dev/full, say)
    int outputFd = -1;  // or a descriptor of the test's (a pseudo-terminal's slave)
};

struct t_child_run {
    int status = -1; // exit status; -1 when ended by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

// A started re2-device; Finish reads all it prints and waits for its end. One still running
// when this ends is killed.
class DeviceChild {
public:
    // Runs program with args; home becomes HOME, and XDG_CONFIG_HOME and XDG_STATE_HOME are
    // its config/ and state/; extraEnvironment ("NAME=value") is added.
    DeviceChild(const std::string& program, const std::vector<std::string>& args,
                const std::string& home, const std::vector<std::string>& extraEnvironment = {},
                const t_child_streams& streams = {}) {
        std::vector<std::string> words = {program};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words) {
            argv.push_back(w.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> env = {"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config",
                                        "XDG_STATE_HOME=" + home + "/state", "LANG=C.UTF-8"};
        if (const char* path = std::getenv("PATH")) {
            env.push_back(std::string("PATH=") + path);
        }
        env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        int outPipe[2];
        int errPipe[2];
        if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!streams.input.empty()) {
            posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, streams.input.c_str(),
                                             O_RDONLY, 0);
        }
        if (!streams.output.empty()) {
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, streams.output.c_str(),
                                             O_WRONLY, 0);
        } else if (streams.outputFd >= 0) {
            posix_spawn_file_actions_adddup2(&actions, streams.outputFd, STDOUT_FILENO);
        } else {
            posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
        }
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(outPipe[1]);
        ::close(errPipe[1]);
        m_out = outPipe[0];
        m_err = errPipe[0];
    }
    ~DeviceChild() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Finish();
        }
    }
    DeviceChild(const DeviceChild&) = delete;
    DeviceChild& operator=(const DeviceChild&) = delete;

    pid_t Pid() const { return m_pid; }

    // Reads standard output up to its first line's end and closes it, as `| head -1` does;
    // the line without its end.
    std::string FirstLineThenClose() {
        std::string line;
        char c = 0;
        while (m_out >= 0 && ::read(m_out, &c, 1) == 1 && c != '\n') {
            line.push_back(c);
        }
        if (m_out >= 0) {
            ::close(m_out);
            m_out = -1;
        }
        return line;
    }

    void Signal(int signal) {
        if (m_pid > 0) {
            ::kill(m_pid, signal);
        }
    }

    t_child_run Finish() {
        t_child_run run;
        pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        std::string* sinks[2] = {&run.out, &run.err};
        int open = m_out >= 0 ? 2 : 1;
        while (open > 0 && ::poll(fds, 2, -1) > 0) {
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0) {
                    continue;
                }
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else if (n == 0 || errno != EINTR) {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        int wstatus = 0;
        if (m_pid > 0 && ::waitpid(m_pid, &wstatus, 0) == m_pid) {
            if (WIFEXITED(wstatus)) {
                run.status = WEXITSTATUS(wstatus);
            } else if (WIFSIGNALED(wstatus)) {
                run.signal = WTERMSIG(wstatus);
            }
        }
        m_pid = -1;
        return run;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
};
