// The link worker waits for work instead of polling for it: what a bare pseudo-terminal,
// played by the test as the device, sees of it.

#include "link/frame_codec.h"
#include "link/transfer.h"
#include "res/resource.h"
#include "tests/link/link_test_util.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <unistd.h>

using afx::testing::ProcessEvents;

namespace {

// The master side of a pseudo-terminal whose slave is linked as COM1 in the directory.
class DeviceEnd {
public:
    explicit DeviceEnd(const std::string& directory) {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) {
            m_ok = symlink(ptsname(m_master), (directory + "COM1").c_str()) == 0;
        }
    }
    ~DeviceEnd() {
        if (m_master >= 0) {
            close(m_master);
        }
    }
    bool Ok() const { return m_ok; }
    // All frames in one write, as a burst the terminal finds waiting at once.
    void SendFrames(const std::vector<t_transfer_data>& records) {
        std::string text;
        for (const t_transfer_data& record : records) {
            std::uint8_t out[protocol::kMaxEncodedFrame];
            const std::size_t n = EncodeFrame(record, out);
            text.append(reinterpret_cast<char*>(out), n);
        }
        ASSERT_EQ(write(m_master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    // Waits up to ms for the terminal's characters until `until` has come; gives them.
    std::string ReceiveUntil(const std::string& until, int ms) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (got.find(until) == std::string::npos && std::chrono::steady_clock::now() < end) {
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
                char buf[512];
                const ssize_t n = read(m_master, buf, sizeof buf);
                if (n > 0) {
                    got.append(buf, static_cast<std::size_t>(n));
                }
            }
        }
        return got;
    }

private:
    int m_master = -1;
    bool m_ok = false;
};

t_harness_options WithoutSimulator() {
    t_harness_options options;
    options.startSimulator = false;
    return options;
}

std::string EncodedText(const t_transfer_data& record) {
    std::uint8_t out[protocol::kMaxEncodedFrame];
    const std::size_t n = EncodeFrame(record, out);
    std::string text(reinterpret_cast<char*>(out), n);
    return text.substr(text.find(':'));
}

// Connects with the live status poll off and lets the first status request go by.
bool ConnectIdle(CLWDlg& dlg, DeviceEnd& line) {
    afx::testing::ClickButton(dlg, IDC_CONNECT);
    if (!TerminalHarness::WaitForConsoleLine(dlg, "Połączono")) {
        return false;
    }
    dlg.PollStatus(0);
    line.ReceiveUntil("never", 300);
    return true;
}

TEST(LinkWorkerWait, FramesArrivingInOneBurstAreAllDeliveredInOrder) {
    TerminalHarness h(WithoutSimulator());
    DeviceEnd line(h.Directory());
    ASSERT_TRUE(line.Ok());
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectIdle(dlg, line));
        std::vector<t_transfer_data> burst;
        std::vector<std::string> expected;
        for (int i = 0; i < 60; ++i) {
            const std::string text = "linia " + std::to_string(i);
            burst.push_back(
                MakeRecord(31, 0, 5, std::vector<std::uint8_t>(text.begin(), text.end())));
            expected.push_back(text);
        }
        line.SendFrames(burst);
        ASSERT_TRUE(TerminalHarness::WaitForConsoleLine(dlg, "linia 59"));
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        const auto first = std::find(lines.begin(), lines.end(), "linia 0");
        ASSERT_NE(first, lines.end());
        EXPECT_EQ(std::vector<std::string>(first, lines.end()), expected);
    });
}

TEST(LinkWorkerWait, EachExchangeCostsTheWorkerOnlyAFewTurns) {
    TerminalHarness h(WithoutSimulator());
    DeviceEnd line(h.Directory());
    ASSERT_TRUE(line.Ok());
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectIdle(dlg, line));
        constexpr int kExchanges = 20;
        const std::uint64_t before = dlg.Transfer().WorkerWakeups();
        for (int i = 0; i < kExchanges; ++i) {
            const t_transfer_data request = MakeRecord(31, 1, 37);
            ASSERT_EQ(dlg.Transfer().PutToSend(request), 1);
            ASSERT_NE(line.ReceiveUntil(EncodedText(request), 2000).find(EncodedText(request)),
                      std::string::npos);
            // Answered some milliseconds later, as a device does: a worker that looked at
            // the port on a timer would turn many times meanwhile.
            ProcessEvents(20);
            line.SendFrames({MakeRecord(31, 0, 5, {'o', 'k'})});
            ProcessEvents(20);
        }
        // Woken for the queued frame, then for the reply (in a piece or two).
        EXPECT_LE(dlg.Transfer().WorkerWakeups() - before, 4u * kExchanges);
    });
}

TEST(LinkWorkerWait, StopReachesAWorkerThatWaitsWithNothingToDo) {
    TerminalHarness h(WithoutSimulator());
    DeviceEnd line(h.Directory());
    ASSERT_TRUE(line.Ok());
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectIdle(dlg, line));
        ProcessEvents(300);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(h.Disconnect(dlg, 2000));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
        EXPECT_TRUE(TerminalHarness::WaitForConsoleLine(dlg, "Rozłączono", 1000));
    });
    EXPECT_TRUE(h.Boxes().empty());
}

} // namespace
