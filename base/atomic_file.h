#pragma once
// Saving a whole file as a plain open for writing would save it, without the half-written
// files such an open leaves: the bytes go to a temporary file beside the file they are for,
// are flushed to the disk, and only then renamed over it.
//
// The rename stands in for the plain open only where it keeps what that open keeps:
//  - a file the open would refuse (not writable for this process, a directory, anything
//    but a regular file) is refused, and keeps its bytes;
//  - a symbolic link, or a chain of them, leads to the file that is saved: that file is
//    replaced in its own directory and the links stay as they were. A link to nowhere gets
//    its target created, as the open would create it;
//  - a file with more than one hard link, a file of another owner, a file whose group,
//    access ACL or mode (set-user-ID, set-group-ID and sticky bits included) the new copy
//    cannot be given, and a writable file in a directory this process cannot write are
//    emptied and written in place, as the open writes them. An interrupted save can leave
//    these shorter than they should be.
// A new file is created with the permissions the umask and the directory's default ACL
// give; a replaced one keeps its mode, owner, group and access ACL (none if it had none),
// whatever the directory's default ACL says.

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

// True when all n bytes are in place under path (or the file its links lead to). On any
// failure errno tells why (ENOTSUP for a name that is not a regular file: a device, a FIFO,
// a socket), no temporary file is left and an existing file keeps its bytes, except that a
// file written in place (see above) may have been emptied or cut short.
bool WriteFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t n);

// Test seam: the write(2)-like call WriteFileAtomically uses. Tests set it to simulate a
// failing disk; nullptr restores the system call. Production code never sets it.
using AtomicWriteFunction = ssize_t (*)(int fd, const void* buffer, std::size_t count);
void SetAtomicWriteFunctionForTest(AtomicWriteFunction function);
