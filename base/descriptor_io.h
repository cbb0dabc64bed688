#pragma once
// The read(2) and write(2) loops every file of the program needs: they go on after EINTR
// and after a partial transfer, and stop only at the end, at the file's end or at a failure.

#include <cstddef>
#include <sys/types.h>

// The write(2)-like call WriteAll uses; nullptr means write(2) itself (tests give another).
using WriteFunction = ssize_t (*)(int fd, const void* buffer, std::size_t count);

// Writes all n bytes; false on a failure, with errno saying why (EIO for a write that took
// nothing without a reason of its own).
bool WriteAll(int fd, const void* data, std::size_t n, WriteFunction write = nullptr);
// Reads until n bytes were read or the file ended: the count read, or -1 on a failure (errno
// says why).
ssize_t ReadUpTo(int fd, void* buffer, std::size_t n);
