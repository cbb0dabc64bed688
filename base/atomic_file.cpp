#include "base/atomic_file.h"

#include "base/descriptor_io.h"

#include <acl/libacl.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/acl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Symbolic links followed before giving up with ELOOP, as many as the kernel follows.
constexpr int kMaxLinks = 40;
// The temporary file: a short name, so that it fits beside a target of the longest name.
constexpr char kTemporaryPrefix[] = ".re2";
constexpr std::size_t kTemporaryRandomChars = 6;
constexpr int kTemporaryAttempts = 100;
// The reasons of refusals that no system call gives.
constexpr int kNotARegularFile = ENOTSUP;
constexpr int kNameChanged = EAGAIN;

std::atomic<AtomicWriteFunction> g_writeFunction{nullptr};

bool WriteAll(int fd, const std::uint8_t* data, std::size_t n) {
    return ::WriteAll(fd, data, n, g_writeFunction.load());
}

// Everything up to and including the last slash; empty for a bare name.
std::string DirectoryPrefix(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string DirectoryOf(const std::string& path) {
    const std::string prefix = DirectoryPrefix(path);
    if (prefix.empty()) {
        return ".";
    }
    return prefix.size() == 1 ? prefix : prefix.substr(0, prefix.size() - 1);
}

// Makes the rename itself survive a power cut; a directory that cannot be synced does not
// undo a replacement that has already happened.
void SyncDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        ::close(fd);
    }
}

// The name the content of path is stored under: path itself, or where its chain of
// symbolic links ends. A name that does not exist ends the chain too, being what an open
// with O_CREAT would create. False (errno set) for a loop or a link that cannot be read.
// Relative links are taken from the link's own directory, and ".." is left to the kernel.
bool FinalTarget(std::string path, std::string& target) {
    std::vector<char> link(PATH_MAX);
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            target = path; // the open below says what is wrong with a name lstat refuses
            return true;
        }
        const ssize_t k = ::readlink(path.c_str(), link.data(), link.size());
        if (k < 0) {
            return false;
        }
        if (k == 0 || static_cast<std::size_t>(k) >= link.size()) {
            errno = k == 0 ? ENOENT : ENAMETOOLONG;
            return false;
        }
        const std::string next(link.data(), static_cast<std::size_t>(k));
        path = next[0] == '/' ? next : DirectoryPrefix(path) + next;
    }
    errno = ELOOP;
    return false;
}

std::string RandomChars() {
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[kTemporaryRandomChars] = {};
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        // Without entropy yet, the clock and a counter still differ from one try to the next;
        // O_EXCL catches the rest.
        static std::atomic<std::uint64_t> counter{0};
        std::uint64_t mix = static_cast<std::uint64_t>(
                                std::chrono::steady_clock::now().time_since_epoch().count()) ^
                            (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull) ^
                            static_cast<std::uint64_t>(getpid());
        for (unsigned char& b : bytes) {
            b = static_cast<unsigned char>(mix);
            mix = (mix >> 8) | (mix << 56);
        }
    }
    std::string chars;
    for (const unsigned char b : bytes) {
        chars.push_back(kChars[b % (sizeof kChars - 1)]);
    }
    return chars;
}

// Creates a new file under an unused generated name in the directory of target, the way the
// plain open creates one: with `mode`, less the umask or as the directory's default ACL
// says. -1 with errno when none can be made.
int CreateTemporary(const std::string& target, mode_t mode, std::string& name) {
    const std::string prefix = DirectoryPrefix(target) + kTemporaryPrefix;
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        name = prefix + RandomChars();
        const int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Removes a file left by a failed step, keeping that step's errno.
void RemoveAfterFailure(const std::string& name) {
    const int error = errno;
    ::unlink(name.c_str());
    errno = error;
}

// Writes the bytes into the temporary file; on failure closes and removes it.
bool FillTemporary(int fd, const std::string& temporary, const std::uint8_t* data, std::size_t n) {
    if (WriteAll(fd, data, n)) {
        return true;
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    RemoveAfterFailure(temporary);
    return false;
}

// Puts the filled temporary file whole on the disk and renames it over target; on failure
// removes it.
bool CommitTemporary(int fd, const std::string& temporary, const std::string& target) {
    const bool synced = fsync(fd) == 0;
    const int error = errno;
    const bool closed = ::close(fd) == 0;
    if (!synced) {
        errno = error; // the sync's reason, not the close's
    }
    if (!synced || !closed || std::rename(temporary.c_str(), target.c_str()) != 0) {
        RemoveAfterFailure(temporary);
        return false;
    }
    SyncDirectory(DirectoryOf(target));
    return true;
}

// What the plain open does with an existing file: empty it and write.
bool WriteInPlace(int fd, const std::uint8_t* data, std::size_t n) {
    return ftruncate(fd, 0) == 0 && WriteAll(fd, data, n) && fsync(fd) == 0;
}

// Puts the access ACL of the file `from` on the new copy `to`, which was created with the
// entries the directory's default ACL gives new files. An ACL of the permission bits alone
// is set too: it takes those inherited entries away.
bool CopyAccessAcl(int from, int to) {
    const acl_t acl = acl_get_fd(from);
    if (acl == nullptr) {
        // A file system without ACLs: the copy, beside the file, cannot have one either.
        return errno == ENOTSUP;
    }
    const bool copied =
        acl_set_fd(to, acl) == 0 || (errno == ENOTSUP && acl_equiv_mode(acl, nullptr) == 0);
    acl_free(acl);
    return copied;
}

// Gives the new copy the group, access ACL and mode of the file `file` (open as fd) it
// replaces: the set-user-ID, set-group-ID and sticky bits too. The mode comes last, as
// setting an ACL or a group may take the set-group-ID bit away. False when the copy cannot
// be given all of it; the kernel drops the set-group-ID bit without an error for a group
// the process is not in, so the outcome is read back.
bool TakeOwnershipOf(int copy, int fd, const struct stat& file) {
    struct stat made;
    if (fstat(copy, &made) != 0) {
        return false;
    }
    if (made.st_gid != file.st_gid && fchown(copy, static_cast<uid_t>(-1), file.st_gid) != 0) {
        return false;
    }
    constexpr mode_t kModeBits = 07777;
    return CopyAccessAcl(fd, copy) && fchmod(copy, file.st_mode & kModeBits) == 0 &&
           fstat(copy, &made) == 0 && (made.st_mode & kModeBits) == (file.st_mode & kModeBits);
}

// Replaces the existing regular file `file`, open for writing as fd, stored under target.
bool ReplaceExisting(int fd, const struct stat& file, const std::string& target,
                     const std::uint8_t* data, std::size_t n) {
    // A rename would give the file a new inode of this process's owner: the other hard
    // links would keep the old content, another owner would lose the file.
    if (file.st_nlink > 1 || file.st_uid != geteuid()) {
        return WriteInPlace(fd, data, n);
    }
    std::string temporary;
    const int copy = CreateTemporary(target, S_IRUSR | S_IWUSR, temporary);
    if (copy < 0) {
        // A writable file in a directory that takes no new names is written as it stands.
        return (errno == EACCES || errno == EPERM) && WriteInPlace(fd, data, n);
    }
    // The bytes go in while the copy is its owner's alone, and before its mode is set: a
    // write takes the set-user-ID and set-group-ID bits away from a file it changes.
    if (!FillTemporary(copy, temporary, data, n)) {
        return false;
    }
    if (!TakeOwnershipOf(copy, fd, file)) {
        ::close(copy);
        ::unlink(temporary.c_str());
        return WriteInPlace(fd, data, n);
    }
    return CommitTemporary(copy, temporary, target);
}

} // namespace

void SetAtomicWriteFunctionForTest(AtomicWriteFunction function) {
    g_writeFunction = function;
}

bool WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t n) {
    if (path.empty() || (data == nullptr && n > 0)) {
        errno = EINVAL;
        return false;
    }
    std::string target;
    if (!FinalTarget(path, target)) {
        return false;
    }

    // The plain open without O_TRUNC: the kernel checks the permissions with the effective
    // ids, follows the links with its own protections and refuses what the open would.
    // O_NONBLOCK keeps a FIFO from stopping the program; only regular files go on.
    constexpr int kProbe = O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    bool created = false;
    int fd = ::open(path.c_str(), kProbe);
    if (fd < 0 && errno == ENOENT) {
        if (target == path) {
            std::string temporary;
            const int copy = CreateTemporary(target, 0666, temporary);
            return copy >= 0 && FillTemporary(copy, temporary, data, n) &&
                   CommitTemporary(copy, temporary, target);
        }
        // A link to nowhere: the open creates the file it names, through the link.
        fd = ::open(path.c_str(), kProbe | O_CREAT, 0666);
        created = fd >= 0;
    }
    if (fd < 0) {
        // ENXIO: a FIFO no one reads, a socket, a device file without its device.
        if (errno == ENXIO) {
            errno = kNotARegularFile;
        }
        return false;
    }

    // The file the kernel opened must be the one found at the end of the links; a name
    // changed in between is not saved over. Bytes written in place through fd are on the
    // disk after its fsync, so its close can fail nothing.
    struct stat file;
    struct stat named;
    bool saved = false;
    if (fstat(fd, &file) == 0) {
        if (!S_ISREG(file.st_mode)) {
            errno = kNotARegularFile;
        } else if (::lstat(target.c_str(), &named) != 0 || named.st_dev != file.st_dev ||
                   named.st_ino != file.st_ino) {
            errno = kNameChanged;
        } else {
            saved = ReplaceExisting(fd, file, target, data, n);
        }
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    if (!saved && created) {
        RemoveAfterFailure(target);
    }
    return saved;
}
