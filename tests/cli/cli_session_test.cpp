// The shell's session on its link stack, in this process against the simulator: what the
// stack counts of a line that loses replies is there for the session's holder to read, and
// the session tells it as the window's console does.

#include "cli/cli_session.h"
#include "link/com_port.h"
#include "link/poll_host.h"
#include "link/protocol.h"
#include "sim/pty_simulator.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>
#include <sstream>

TEST(CliSession, TheLinkStackCountsTheReadsAskedAgainOnALineLosingReplies) {
    TemporaryDirectory folder{"re2_cli_session_"};
    const std::string directory = folder.Path() + "/";
    t_pty_options options;
    options.linkDirectory = directory;
    options.comPort = 1;
    PtySimulator sim(options);
    ASSERT_TRUE(sim.Start());
    sim.WithDevice([](DeviceSimulator& d) { d.SetRandomDrop(0.3, 5); });
    CComPort::SetLockDirectory(directory);

    CPollHost host;
    ASSERT_TRUE(host.Ready());
    t_cli_link link;
    link.port.portNumber = 1; // "COM1": the stack finds it in the folder of the COMn links
    link.baudRate = 57600;
    link.deviceAddress = 31;
    link.linkDirectory = directory;
    std::ostringstream err;
    CCliReport cliReport(err, false, false);
    {
        CCliSession session(host, link, cliReport);
        ASSERT_TRUE(session.Connect()) << err.str();
        const int block = protocol::kBlockRelays;
        std::vector<std::uint8_t> read(protocol::BlockSize(block));
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(session.ReadBlock(block, read.data())) << err.str();
        }
        const std::uint32_t offset = protocol::BlockAddress(block) - protocol::kSettingsBase;
        const auto stored = sim.WithDevice([&](DeviceSimulator& d) {
            const auto& s = d.Memory().Settings();
            return std::vector<std::uint8_t>(s.begin() + offset, s.begin() + offset + read.size());
        });
        EXPECT_EQ(read, stored);
        const t_line_report report = session.Link().LineReport();
        EXPECT_GT(report.retries, 0u);
        EXPECT_EQ(report.retries, session.Link().Queue().Retries());
        EXPECT_GE(report.counters.frames, 15u);
        // The window's line report reaches the shell's error stream.
        session.TellLineReport();
        EXPECT_NE(err.str().find("re2-device: Łącze: ramki: "), std::string::npos) << err.str();
        EXPECT_NE(err.str().find(", powtórzone zapytania: " + std::to_string(report.retries)),
                  std::string::npos)
            << err.str();
    }
    CComPort::SetLockDirectory("/run/lock/");
}
