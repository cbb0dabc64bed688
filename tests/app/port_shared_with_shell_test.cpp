// The window and re2-device on one port: whichever holds it, the other is refused with the
// window's reason and nothing goes out on the line, and once the holder has let go the other
// takes the port.

#include "app/lw_dlg.h"
#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "res/resource.h"
#include "tests/support/connect_quiet.h"
#include "tests/support/device_child.h"
#include "tests/support/terminal_harness.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

namespace t = afx::testing;

// The line after the last "Otwieranie portu" line; empty when there is none.
std::string LineAfterLastOpening(const std::vector<std::string>& lines) {
    for (std::size_t i = lines.size(); i-- > 0;) {
        if (lines[i].rfind("Otwieranie portu COM1", 0) == 0) {
            return i + 1 < lines.size() ? lines[i + 1] : std::string();
        }
    }
    return {};
}

TEST(PortSharedWithTheShell, WindowAndReDeviceRefuseEachOtherWithTheWindowsReason) {
    TerminalHarness h;
    const std::string device = std::filesystem::canonical(h.Sim().SlavePath()).string();
    const std::string busy = "Port COM1 (" + device + ") jest zajęty przez inny program";
    // re2-device as a portable copy beside the window's program file: it takes port, baud
    // rate and address from the window's config.cfg, and keeps its readout part there.
    const std::string program = CopyDeviceProgramTo(h.Directory());
    ASSERT_FALSE(program.empty());
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        const std::uint64_t requests = h.Sim().RequestCount();
        const t_child_run refused = DeviceChild(program, {"info"}, h.Directory()).Finish();
        EXPECT_EQ(refused.status, 1);
        // The window's reason, and the process its lock file names where it could make one.
        EXPECT_EQ(refused.err.rfind("re2-device: " + busy, 0), 0u) << refused.err;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
        EXPECT_EQ(h.Sim().RequestCount(), requests);
        ASSERT_TRUE(h.Disconnect(dlg));

        // A device this slow keeps re2-device inside its readout for many minutes, every
        // reply within its wait: it holds the port whenever the window comes to try.
        h.Sim().SetPacing(9600, false);
        DeviceChild readout(program, {"readout", "-o", h.PathOf("pomiar.qz")}, h.Directory());
        ASSERT_TRUE(t::WaitUntil([&] { return h.Sim().CommandCount(protocol::kCmdReadChunk) >= 2; },
                                 30000));
        h.ClearBoxes();
        t::ClickButton(dlg, IDC_CONNECT);
        ASSERT_TRUE(t::WaitUntil([&] { return !h.Boxes().empty(); }, 10000));
        const std::string line = LineAfterLastOpening(TerminalHarness::ConsoleLines(dlg));
        EXPECT_EQ(line.rfind(busy, 0), 0u) << line;
        if (line != busy) {
            EXPECT_EQ(line, busy + " (proces " + std::to_string(readout.Pid()) + ")");
        }
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(), "Rozłączono");
        EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{
                                    "Nie można korzystać z wybranego portu.\r\nRozłączono."});

        readout.Signal(SIGTERM);
        const t_child_run ended = readout.Finish();
        EXPECT_EQ(ended.signal, SIGTERM) << ended.status << ended.err;
        h.Sim().SetPacing(0, false);
        h.ClearBoxes();
        EXPECT_TRUE(h.Connect(dlg));
        EXPECT_TRUE(h.Boxes().empty());
    });
}

} // namespace
