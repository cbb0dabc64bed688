#include "tests/support/pty_device_end.h"

#include "link/frame_codec.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

PtyDeviceEnd::PtyDeviceEnd(const std::string& directory, int comPort) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        return;
    }
    const char* slave = ptsname(m_master);
    if (slave == nullptr) {
        return;
    }
    std::string link = directory;
    if (!link.empty() && link.back() != '/') {
        link += '/';
    }
    link += "COM" + std::to_string(comPort);
    m_ok = symlink(slave, link.c_str()) == 0;
}

PtyDeviceEnd::~PtyDeviceEnd() {
    Close();
}

void PtyDeviceEnd::Send(const std::string& text) {
    ASSERT_EQ(write(m_master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

void PtyDeviceEnd::SendFrame(const t_transfer_data& record) {
    SendFrames({record});
}

void PtyDeviceEnd::SendFrames(const std::vector<t_transfer_data>& records) {
    std::string text;
    for (const t_transfer_data& record : records) {
        std::uint8_t out[protocol::kMaxEncodedFrame];
        const std::size_t n = EncodeFrame(record, out);
        text.append(reinterpret_cast<const char*>(out), n);
    }
    Send(text);
}

std::string PtyDeviceEnd::Receive(int ms, const std::string& until) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{m_master, POLLIN, 0};
        if (poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
            char buf[512];
            const ssize_t n = read(m_master, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, static_cast<std::size_t>(n));
            }
        }
        if (!until.empty() && got.find(until) != std::string::npos) {
            break;
        }
    }
    return got;
}

void PtyDeviceEnd::Close() {
    if (m_master >= 0) {
        close(m_master);
        m_master = -1;
    }
}
