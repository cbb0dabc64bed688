#pragma once
// Writing a program's output to the file the user named, as a shell's redirection would
// where the name is no regular file (a pipe, a terminal, /dev/stdout: there is nothing to
// replace), and safely (base/atomic_file.h) where it is one or does not exist yet.

#include <cstddef>
#include <cstdint>
#include <string>

// True when all n bytes went to path. On a failure errno tells why. Opening a FIFO blocks
// until it has a reader, as the redirection does.
bool WriteOutputFile(const std::string& path, const std::uint8_t* data, std::size_t n);

// Whether path names something WriteOutputFile writes straight into (no regular file and no
// directory, and existing).
bool IsStraightOutput(const std::string& path);
