#include "base/output_file.h"

#include "base/atomic_file.h"
#include "base/descriptor_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Straight { NotTried, Written, Failed };

// NotTried for a regular file, a directory or a name that does not exist, which the safe
// save takes. Failed leaves errno set.
Straight WriteStraight(const std::string& path, const std::uint8_t* data, std::size_t n) {
    if (!IsStraightOutput(path)) {
        return Straight::NotTried;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return Straight::Failed;
    }
    struct stat info;
    const bool known = fstat(fd, &info) == 0;
    if (!known || S_ISREG(info.st_mode)) {
        // A regular file put there meanwhile is saved safely after all.
        const int error = errno;
        ::close(fd);
        errno = error;
        return known ? Straight::NotTried : Straight::Failed;
    }
    errno = 0;
    if (!WriteAll(fd, data, n)) {
        const int error = errno != 0 ? errno : EIO;
        ::close(fd);
        errno = error;
        return Straight::Failed;
    }
    return ::close(fd) == 0 || errno == EINTR ? Straight::Written : Straight::Failed;
}

} // namespace

bool IsStraightOutput(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

bool WriteOutputFile(const std::string& path, const std::uint8_t* data, std::size_t n) {
    errno = 0;
    switch (WriteStraight(path, data, n)) {
    case Straight::Written:
        return true;
    case Straight::Failed:
        return false;
    case Straight::NotTried:
        break;
    }
    return WriteFileAtomically(path, data, n);
}
