#include "measure/measurement_file.h"

#include "base/atomic_file.h"
#include "base/descriptor_io.h"
#include "link/protocol.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Fail(int fd, LoadError reason, LoadError& error) {
    if (fd >= 0) {
        ::close(fd);
    }
    error = reason;
    return false;
}

} // namespace

bool LoadMeasurementFile(const std::string& path, std::vector<std::uint8_t>& out,
                         LoadError& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Fail(-1, LoadError::CannotRead, error);
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        return Fail(fd, LoadError::CannotRead, error);
    }
    if (static_cast<std::uint64_t>(info.st_size) != protocol::kRecorderSize) {
        return Fail(fd, LoadError::WrongLength, error);
    }
    // Read into a buffer of our own, so a failure part-way leaves the caller's image whole.
    std::vector<std::uint8_t> image(protocol::kRecorderSize);
    // A file that shrinks while it is read ends early: it cannot be read whole.
    if (ReadUpTo(fd, image.data(), image.size()) != static_cast<ssize_t>(image.size())) {
        return Fail(fd, LoadError::CannotRead, error);
    }
    ::close(fd);
    out = std::move(image);
    error = LoadError::None;
    return true;
}

bool SaveMeasurementFile(const std::string& path, const std::uint8_t* image, std::size_t n) {
    return WriteFileAtomically(path, image, n);
}
