#pragma once
// Whole-file replacement that never leaves a half-written file: the bytes go to a temporary
// file beside the target, are flushed to the disk, and only then renamed over the target.

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

// True when all n bytes are in place under path. On any failure the temporary file is
// removed and an existing file at path is left as it was.
bool WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t n);

// Test seam: the write(2)-like call WriteFileAtomically uses. Tests set it to simulate a
// failing disk; nullptr restores the system call. Production code never sets it.
using AtomicWriteFunction = ssize_t (*)(int fd, const void* buffer, std::size_t count);
void SetAtomicWriteFunctionForTest(AtomicWriteFunction function);
