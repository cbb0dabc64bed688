#include "link/uucp_lock.h"

#include "base/descriptor_io.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr char kDevPrefix[] = "/dev/";
// The most a lock file is read: "%10d\n" and room for padding other programs use.
constexpr std::size_t kMaxLockBytes = 32;
// The most of /proc/<pid>/status read for the process's user ids.
constexpr std::size_t kMaxStatusBytes = 4096;
// Between two tries while another program keeps changing the entry.
constexpr int kRetryPauseMs = 10;

enum class EntryState {
    Gone,  // nothing of that name (any more)
    Ours,  // names this process
    Live,  // names a running process, or is a lock file being written
    Stale, // may be taken over
};

struct t_lock_entry {
    EntryState state = EntryState::Gone;
    int owner = 0; // the process it names; 0 for none
};

// The process id in the first bytes of a lock file; 0 for none. The id is ASCII digits,
// padded or not; old programs wrote it as a binary int, so a 4-byte file that is not text
// is read that way.
int ParseOwner(const char* text, std::size_t n) {
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

// A lock file that names no process is live while its program may still be writing it.
// A time far in the future is no reason to keep a port locked for ever.
bool WrittenLately(const struct stat& info) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const auto age = std::chrono::seconds(now.tv_sec - info.st_mtim.tv_sec) +
                     std::chrono::nanoseconds(now.tv_nsec - info.st_mtim.tv_nsec);
    const auto grace = std::chrono::seconds(kEmptyLockGraceSeconds);
    return age < grace && age > -grace;
}

// Whether a lock file made by fileOwner may name process pid: root's may name any, anyone
// else's only a process of their own (by any of its real, effective, saved or file-system
// user ids, so that a set-user-ID program's lock holds). Where the process's user cannot
// be read (/proc mounted with hidepid), the lock is believed.
bool MayName(uid_t fileOwner, int pid) {
    if (fileOwner == 0) {
        return true;
    }
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return true;
    }
    // "Uid:" stands in the first lines, well within this.
    char text[kMaxStatusBytes + 1] = {};
    std::size_t length = 0;
    while (length < kMaxStatusBytes) {
        const ssize_t n = ::read(fd, text + length, kMaxStatusBytes - length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        length += static_cast<std::size_t>(n);
    }
    ::close(fd);
    const char* line = std::strstr(text, "\nUid:");
    if (line == nullptr) {
        return true;
    }
    unsigned long ids[4] = {};
    if (std::sscanf(line + 5, "%lu %lu %lu %lu", &ids[0], &ids[1], &ids[2], &ids[3]) != 4) {
        return true;
    }
    for (const unsigned long id : ids) {
        if (id == fileOwner) {
            return true;
        }
    }
    return false;
}

t_lock_entry EntryOfOwner(int owner, int self, uid_t fileOwner) {
    if (owner == self) {
        return {EntryState::Ours, owner};
    }
    // EPERM: the process lives under another user.
    if (::kill(owner, 0) != 0 && errno == ESRCH) {
        return {EntryState::Stale, owner};
    }
    // Any local user can write the lock folder: a file naming init would otherwise keep
    // everyone off the port.
    if (!MayName(fileOwner, owner)) {
        return {EntryState::Stale, owner};
    }
    return {EntryState::Live, owner};
}

t_lock_entry EntryWithoutOwner(const struct stat& info) {
    if (!S_ISREG(info.st_mode) || !WrittenLately(info)) {
        return {EntryState::Stale, 0};
    }
    return {EntryState::Live, 0};
}

// What the entry at path is. O_NONBLOCK keeps a FIFO from holding the open, O_NOFOLLOW
// refuses a link (to /dev/zero, say), O_NOCTTY keeps a terminal from becoming ours.
t_lock_entry ReadEntry(const std::string& path, int self) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0) {
        // A link (ELOOP), a socket (ENXIO) or a file we may not read: judged by what lstat
        // tells, as an entry that names no process.
        if (errno == ENOENT || ::lstat(path.c_str(), &info) != 0) {
            return {EntryState::Gone, 0};
        }
        return EntryWithoutOwner(info);
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {EntryState::Stale, 0};
    }
    char text[kMaxLockBytes + 1] = {};
    ssize_t n;
    do {
        n = ::read(fd, text, kMaxLockBytes);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    const int owner = n > 0 ? ParseOwner(text, static_cast<std::size_t>(n)) : 0;
    return owner > 0 ? EntryOfOwner(owner, self, info.st_uid) : EntryWithoutOwner(info);
}

// True when nothing of that name is left.
bool Remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

// A file in folder holding text, mode 0644 so that other programs can read the owner;
// its path, or empty when the folder takes no file.
std::string WriteTemporary(const std::string& folder, const char* text, std::size_t n) {
    // A unique name: a left-over "LTMP.<pid>" of another user cannot stand in the way.
    std::string path = folder + "LTMP.XXXXXX";
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    const bool written = ::fchmod(fd, 0644) == 0 && WriteAll(fd, text, n);
    ::close(fd);
    if (!written) {
        // Should it stay, it names this process and is taken for stale once we have gone.
        Remove(path);
        return {};
    }
    return path;
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

t_uucp_lock_result TakeUucpLock(const std::string& folder, const std::string& devicePath,
                                std::chrono::steady_clock::time_point deadline) {
    t_uucp_lock_result result;
    const std::string path = folder + UucpLockName(devicePath);
    const int self = static_cast<int>(::getpid());
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", self);

    // The content is complete before the name appears: a temporary file is linked in.
    const std::string temporary = WriteTemporary(folder, text, static_cast<std::size_t>(length));
    if (temporary.empty()) {
        // A folder we cannot write: go on without a lock, as other programs do.
        result.taken = true;
        return result;
    }
    for (int attempt = 0;; ++attempt) {
        if (::link(temporary.c_str(), path.c_str()) == 0) {
            result.taken = true;
            result.created = true;
            break;
        }
        if (errno != EEXIST) {
            result.taken = true; // a folder that takes no links: no lock
            break;
        }
        const t_lock_entry entry = ReadEntry(path, self);
        if (entry.state == EntryState::Ours) {
            result.taken = true;
            result.created = true;
            break;
        }
        if (entry.state == EntryState::Live) {
            result.owner = entry.owner;
            break;
        }
        if (entry.state == EntryState::Stale && !Remove(path)) {
            // As with a folder we may not write: the advisory lock alone guards the port.
            result.taken = true;
            result.staleLeft = path;
            result.staleOwner = entry.owner;
            break;
        }
        // Gone or removed: another program may take it first, so look again.
        if (std::chrono::steady_clock::now() >= deadline) {
            result.timedOut = true;
            break;
        }
        if (attempt > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kRetryPauseMs));
        }
    }
    // The lock file keeps its own name; should the temporary stay, it names this process
    // and is taken for stale once we have gone.
    Remove(temporary);
    return result;
}

bool ReleaseUucpLock(const std::string& folder, const std::string& devicePath) {
    const std::string path = folder + UucpLockName(devicePath);
    const int self = static_cast<int>(::getpid());
    if (ReadEntry(path, self).state != EntryState::Ours) {
        return true;
    }
    return Remove(path);
}

t_uucp_lock_holder UucpLockHolder(const std::string& folder, const std::string& devicePath) {
    const t_lock_entry entry =
        ReadEntry(folder + UucpLockName(devicePath), static_cast<int>(::getpid()));
    if (entry.state != EntryState::Live) {
        return {};
    }
    return {true, entry.owner};
}
