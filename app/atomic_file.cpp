#include "app/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<AtomicWriteFunction> g_writeFunction{nullptr};

ssize_t CallWrite(int fd, const void* buffer, std::size_t count) {
    const AtomicWriteFunction function = g_writeFunction.load();
    return function != nullptr ? function(fd, buffer, count) : ::write(fd, buffer, count);
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t written = CallWrite(fd, data + done, n - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
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

} // namespace

void SetAtomicWriteFunctionForTest(AtomicWriteFunction function) {
    g_writeFunction = function;
}

bool WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t n) {
    if (path.empty() || (data == nullptr && n > 0)) {
        return false;
    }
    std::string temporary = path + ".tmpXXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    temporary = name.data();

    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat existing;
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    fchmod(fd, mode);

    const bool written = WriteAll(fd, data, n) && fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncDirectory(DirectoryOf(path));
    return true;
}
