#include "base/descriptor_io.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>

bool WriteAll(int fd, const void* data, std::size_t n, WriteFunction write) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t written = write != nullptr ? write(fd, bytes + done, n - done)
                                                 : ::write(fd, bytes + done, n - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO; // a write that takes nothing sets no reason of its own
            }
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

ssize_t ReadUpTo(int fd, void* buffer, std::size_t n) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::size_t got = 0;
    while (got < n) {
        const ssize_t read = ::read(fd, bytes + got, n - got);
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read < 0) {
            return -1;
        }
        if (read == 0) {
            break;
        }
        got += static_cast<std::size_t>(read);
    }
    return static_cast<ssize_t>(got);
}
