#pragma once
// CDescriptorStream: an output stream straight onto a file descriptor (standard output),
// which keeps the errno of a write that failed, so that the program can tell why its
// output did not go out (a full disk, a closed pipe), whenever the failure happened.

#include <cstddef>
#include <ostream>
#include <streambuf>
#include <vector>

class CDescriptorBuffer : public std::streambuf {
public:
    explicit CDescriptorBuffer(int fd);
    ~CDescriptorBuffer() override;
    CDescriptorBuffer(const CDescriptorBuffer&) = delete;
    CDescriptorBuffer& operator=(const CDescriptorBuffer&) = delete;

    // The errno of the first write that failed; 0 while none did.
    int Error() const { return m_error; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    // Writes what is gathered; false once a write failed (nothing more is written then).
    bool Drain();

    int m_fd;
    int m_error = 0;
    std::vector<char> m_buffer;
};

class CDescriptorStream : public std::ostream {
public:
    explicit CDescriptorStream(int fd) : std::ostream(nullptr), m_buffer(fd) { rdbuf(&m_buffer); }
    int Error() const { return m_buffer.Error(); }

private:
    CDescriptorBuffer m_buffer;
};
