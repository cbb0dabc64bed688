#include "cli/descriptor_stream.h"

#include "base/descriptor_io.h"

#include <cerrno>

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;

} // namespace

CDescriptorBuffer::CDescriptorBuffer(int fd) : m_fd(fd), m_buffer(kBufferBytes) {
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

CDescriptorBuffer::~CDescriptorBuffer() {
    Drain();
}

bool CDescriptorBuffer::Drain() {
    const std::size_t n = static_cast<std::size_t>(pptr() - pbase());
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    if (m_error != 0) {
        return false;
    }
    errno = 0;
    if (n > 0 && !WriteAll(m_fd, m_buffer.data(), n)) {
        m_error = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

CDescriptorBuffer::int_type CDescriptorBuffer::overflow(int_type c) {
    if (!Drain()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int CDescriptorBuffer::sync() {
    return Drain() ? 0 : -1;
}
