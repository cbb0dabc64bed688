#include "link/uucp_lock.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr char kDevPrefix[] = "/dev/";
constexpr int kTakeAttempts = 3;

// The process id a lock file holds; 0 when it cannot be read or holds none. The id is
// ASCII digits, padded or not; old programs wrote it as a binary int, so a 4-byte file that
// is not text is read that way.
int ReadOwner(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return 0;
    }
    char text[32] = {};
    ssize_t n;
    do {
        n = ::read(fd, text, sizeof text - 1);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0) {
        return 0;
    }
    char* end = nullptr;
    const long pid = std::strtol(text, &end, 10);
    if (end != text) {
        return pid > 0 && pid < 0x7FFFFFFF ? static_cast<int>(pid) : 0;
    }
    if (n == 4) {
        std::int32_t binary = 0;
        std::memcpy(&binary, text, sizeof binary);
        return binary > 0 ? binary : 0;
    }
    return 0;
}

// A lock whose process is gone (or that names none) can be taken over.
bool IsStale(int owner) {
    if (owner <= 0) {
        return true;
    }
    // EPERM: the process lives under another user.
    return ::kill(owner, 0) != 0 && errno == ESRCH;
}

bool WriteAll(int fd, const char* text, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(fd, text + done, n - done);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(w);
    }
    return true;
}

} // namespace

std::string UucpLockName(const std::string& devicePath) {
    std::string name = devicePath;
    if (name.rfind(kDevPrefix, 0) == 0) {
        name.erase(0, sizeof kDevPrefix - 1);
    }
    while (!name.empty() && name.front() == '/') {
        name.erase(0, 1);
    }
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return "LCK.." + name;
}

t_uucp_lock_result TakeUucpLock(const std::string& folder, const std::string& devicePath) {
    t_uucp_lock_result result;
    const std::string path = folder + UucpLockName(devicePath);
    const int self = static_cast<int>(::getpid());
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", self);

    // The content is complete before the name appears: a temporary file is linked in.
    const std::string temporary = folder + "LTMP." + std::to_string(self);
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        // A folder we cannot write: go on without a lock, as other programs do.
        result.taken = true;
        return result;
    }
    const bool written = WriteAll(fd, text, static_cast<std::size_t>(length));
    ::close(fd);
    if (!written) {
        ::unlink(temporary.c_str());
        result.taken = true;
        return result;
    }
    for (int attempt = 0; attempt < kTakeAttempts; ++attempt) {
        if (::link(temporary.c_str(), path.c_str()) == 0) {
            result.taken = true;
            result.created = true;
            break;
        }
        if (errno != EEXIST) {
            result.taken = true; // a folder that takes no links: no lock
            break;
        }
        const int owner = ReadOwner(path);
        if (owner == self) {
            result.taken = true;
            result.created = true;
            break;
        }
        if (!IsStale(owner)) {
            result.owner = owner;
            break;
        }
        ::unlink(path.c_str());
    }
    ::unlink(temporary.c_str());
    return result;
}

void ReleaseUucpLock(const std::string& folder, const std::string& devicePath) {
    const std::string path = folder + UucpLockName(devicePath);
    if (ReadOwner(path) == static_cast<int>(::getpid())) {
        ::unlink(path.c_str());
    }
}
