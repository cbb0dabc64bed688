// The link worker waits for work instead of polling for it: what a bare pseudo-terminal,
// played by the test as the device, sees of it.

#include "link/frame_codec.h"
#include "link/transfer.h"
#include "res/resource.h"
#include "tests/link/link_test_util.h"
#include "tests/support/pty_device_end.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <string>

using afx::testing::ProcessEvents;

namespace {

t_harness_options WithoutSimulator() {
    t_harness_options options;
    options.startSimulator = false;
    return options;
}

// Connects with the live status poll off and lets the first status request go by.
bool ConnectIdle(CLWDlg& dlg, PtyDeviceEnd& line) {
    afx::testing::ClickButton(dlg, IDC_CONNECT);
    if (!TerminalHarness::WaitForConsoleLine(dlg, "Połączono")) {
        return false;
    }
    dlg.PollStatus(0);
    // The poll went out as the link came up; it is answered by nobody.
    const std::string request = FirstStatusRequestText();
    return line.Receive(10000, request).find(request) != std::string::npos;
}

TEST(LinkWorkerWait, FramesArrivingInOneBurstAreAllDeliveredInOrder) {
    TerminalHarness h(WithoutSimulator());
    PtyDeviceEnd line(h.Directory());
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
    PtyDeviceEnd line(h.Directory());
    ASSERT_TRUE(line.Ok());
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectIdle(dlg, line));
        constexpr int kExchanges = 20;
        const std::uint64_t before = dlg.Transfer().WorkerWakeups();
        for (int i = 0; i < kExchanges; ++i) {
            const t_transfer_data request = MakeRecord(31, 1, 37);
            ASSERT_EQ(dlg.Transfer().PutToSend(request), 1);
            ASSERT_NE(line.Receive(2000, EncodedText(request)).find(EncodedText(request)),
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
    PtyDeviceEnd line(h.Directory());
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
