// The link end to end: the real main window and termios port, against the simulator or
// against a bare pseudo-terminal whose other side the test plays itself.

#include "link/com_port.h"
#include "link/frame_codec.h"
#include "link/transfer.h"
#include "link/transfer_context.h"
#include "link/uucp_lock.h"
#include "res/resource.h"
#include "tests/link/link_test_util.h"
#include "tests/support/live_child.h"
#include "tests/support/pty_device_end.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iomanip>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using afx::testing::IsEnabled;
using afx::testing::ProcessEvents;
using afx::testing::WaitUntil;

namespace {

constexpr int kLinkButtons[] = {
    IDC_CONFIGURATION, IDC_READ_RECORDER, IDC_DISCONNECT,   IDC_SET_CLOCK, IDC_VERSIONS,
    IDC_STATISTICS,    IDC_RESET,         IDC_SET_POSITION, IDC_RELAYS,    IDC_INSPECTIONS};

// Index of the first console line equal to `line` at or after `from`; -1 when none.
int FindLine(const std::vector<std::string>& lines, const std::string& line, int from = 0) {
    for (int i = from; i < static_cast<int>(lines.size()); ++i) {
        if (lines[i] == line) {
            return i;
        }
    }
    return -1;
}

t_harness_options WithoutSimulator() {
    t_harness_options options;
    options.startSimulator = false;
    return options;
}

} // namespace

TEST(LinkConnection, ConnectAndDisconnectLogTheLinkAndSwitchTheDeviceButtons) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        for (int id : kLinkButtons) {
            EXPECT_FALSE(IsEnabled(dlg, id)) << id;
        }
        ASSERT_TRUE(h.Connect(dlg));
        auto lines = TerminalHarness::ConsoleLines(dlg);
        const int opening = FindLine(lines, "Otwieranie portu COM1 , 57600b/s...");
        ASSERT_GE(opening, 0);
        EXPECT_GT(FindLine(lines, "Połączono", opening), opening);
        for (int id : kLinkButtons) {
            EXPECT_TRUE(IsEnabled(dlg, id)) << id;
        }
        EXPECT_TRUE(IsEnabled(dlg, IDC_EXIT));
        EXPECT_FALSE(IsEnabled(dlg, IDC_PROGRAMMER));
        EXPECT_FALSE(IsEnabled(dlg, IDC_CONNECT));
        EXPECT_FALSE(IsEnabled(dlg, IDC_PORT));
        EXPECT_TRUE(dlg.Transfer().IsConnected());

        ASSERT_TRUE(h.Disconnect(dlg));
        EXPECT_TRUE(TerminalHarness::WaitForConsoleLine(dlg, "Rozłączono", 1000));
        for (int id : kLinkButtons) {
            EXPECT_FALSE(IsEnabled(dlg, id)) << id;
        }
        EXPECT_TRUE(IsEnabled(dlg, IDC_PORT));
        EXPECT_TRUE(IsEnabled(dlg, IDC_EXIT));
        EXPECT_FALSE(dlg.Transfer().IsConnected());
        // The worker has been joined: nothing is queued for a link that is down.
        EXPECT_EQ(dlg.Transfer().PutToSend(MakeRecord(31, 1, 33)), 0);
    });
    EXPECT_TRUE(h.Boxes().empty());
}

TEST(LinkConnection, PortThatCannotBeOpenedIsReportedAndTheNextConnectStartsClean) {
    TerminalHarness h(WithoutSimulator());
    // A plain file where the port should be: it opens, but it is no terminal.
    std::ofstream(h.PathOf("COM1")) << "not a port";
    h.Run([&](CLWDlg& dlg) {
        afx::testing::ClickButton(dlg, IDC_CONNECT);
        ASSERT_TRUE(WaitUntil([&] { return !h.Boxes().empty(); }));
        auto lines = TerminalHarness::ConsoleLines(dlg);
        const int opening = FindLine(lines, "Otwieranie portu COM1 , 57600b/s...");
        ASSERT_GE(opening, 0);
        EXPECT_GT(FindLine(lines, "Rozłączono", opening), opening);
        ASSERT_EQ(h.BoxTexts(), std::vector<std::string>{
                                    "Nie można korzystać z wybranego portu.\r\nRozłączono."});
        EXPECT_TRUE(IsEnabled(dlg, IDC_CONNECT));
        EXPECT_TRUE(IsEnabled(dlg, IDC_PORT));
        EXPECT_TRUE(IsEnabled(dlg, IDC_EXIT));
        EXPECT_FALSE(IsEnabled(dlg, IDC_DISCONNECT));

        // The port appears: the next "Połącz" connects.
        std::remove(h.PathOf("COM1").c_str());
        ASSERT_TRUE(h.Sim().Start());
        h.ClearBoxes();
        ASSERT_TRUE(h.Connect(dlg));
        EXPECT_TRUE(h.Boxes().empty());
    });
}

// Fails like a system out of descriptors.
int NoEventFd(unsigned int, int) {
    errno = EMFILE;
    return -1;
}

TEST(LinkConnection, PortFailuresReachTheWindowWithTheirReasonAndOneConsoleLine) {
    const bool root = geteuid() == 0;
    const LiveChild holder;
    ASSERT_GT(holder.Pid(), 0);
    struct Case {
        const char* what;
        bool onlyAsUser;
        // Makes COM1 fail; gets the pseudo-terminal's device path and the folder.
        std::function<void(CLWDlg&, const std::string& device, const std::string& folder)> arrange;
        PortStep step;
        int error;
        std::string line; // %s: the device path
    };
    const Case cases[] = {
        {"link to a missing adapter", false,
         [](CLWDlg&, const std::string&, const std::string& folder) {
             std::filesystem::remove(folder + "COM1");
             std::filesystem::create_symlink("/dev/serial/by-id/../../ttyUSB97", folder + "COM1");
         },
         PortStep::Open, ENOENT, "Port COM1 (/dev/ttyUSB97) nie istnieje"},
        {"link to something that is no terminal", false,
         [](CLWDlg&, const std::string&, const std::string& folder) {
             std::filesystem::remove(folder + "COM1");
             std::filesystem::create_symlink("/dev/null", folder + "COM1");
         },
         PortStep::NotTerminal, ENOTTY, "Port COM1 (/dev/null) nie jest portem szeregowym"},
        {"baud rate without a setting", false,
         [](CLWDlg& dlg, const std::string&, const std::string&) {
             dlg.m_settings.baudRate = 12345;
         },
         PortStep::Speed, 0, "Port COM1 (%s) nie przyjął ustawień 12345b/s"},
        // A child of the test: alive, and of the user who made the lock file, so the lock
        // holds for root and for a normal user alike.
        {"lock file of a live program", false,
         [&holder](CLWDlg&, const std::string& device, const std::string& folder) {
             std::ofstream(folder + UucpLockName(device)) << std::setw(10) << holder.Pid() << "\n";
         },
         PortStep::LockFile, 0,
         "Port COM1 (%s) jest zajęty przez inny program (proces " + std::to_string(holder.Pid()) +
             ")"},
        {"no wake-up descriptor", false,
         [](CLWDlg&, const std::string&, const std::string&) {
             SetEventFdFunctionForTest(&NoEventFd);
         },
         PortStep::WakeEvent, EMFILE, "Błąd portu COM1 (%s): Too many open files"},
        {"device without access", true,
         [](CLWDlg&, const std::string& device, const std::string&) {
             ASSERT_EQ(chmod(device.c_str(), 0), 0);
         },
         PortStep::Open, EACCES,
         "Brak dostępu do portu COM1 (%s): dodaj użytkownika do grupy dialout"},
    };
    for (const Case& c : cases) {
        if (c.onlyAsUser && root) {
            std::printf("[ skipped  ] %s: root passes the permission check\n", c.what);
            continue;
        }
        TerminalHarness h(WithoutSimulator());
        PtyDeviceEnd line(h.Directory());
        ASSERT_TRUE(line.Ok());
        const std::string device = std::filesystem::canonical(h.PathOf("COM1")).string();
        CComPort::SetLockDirectory(h.Directory());
        h.Run([&](CLWDlg& dlg) {
            c.arrange(dlg, device, h.Directory());
            afx::testing::ClickButton(dlg, IDC_CONNECT);
            ASSERT_TRUE(WaitUntil([&] { return !h.Boxes().empty(); })) << c.what;
            EXPECT_EQ(dlg.LastLinkEnd().exitCode, 2) << c.what;
            EXPECT_EQ(dlg.LastLinkEnd().failure.step, c.step) << c.what;
            EXPECT_EQ(dlg.LastLinkEnd().failure.error, c.error) << c.what;
            std::string expected = c.line;
            if (const auto at = expected.find("%s"); at != std::string::npos) {
                expected.replace(at, 2, device);
            }
            const auto lines = TerminalHarness::ConsoleLines(dlg);
            const int opening =
                FindLine(lines, "Otwieranie portu COM1 , " +
                                    std::to_string(dlg.m_settings.baudRate) + "b/s...");
            ASSERT_GE(opening, 0) << c.what;
            ASSERT_LT(opening + 2, static_cast<int>(lines.size())) << c.what;
            EXPECT_EQ(lines[opening + 1], expected) << c.what;
            EXPECT_EQ(lines[opening + 2], "Rozłączono") << c.what;
        });
        SetEventFdFunctionForTest(nullptr);
        CComPort::SetLockDirectory("/run/lock/");
        EXPECT_EQ(h.BoxTexts(),
                  std::vector<std::string>{"Nie można korzystać z wybranego portu.\r\nRozłączono."})
            << c.what;
    }
}

TEST(LinkConnection, StaleLockLeftInPlaceIsToldInOneLineBetweenOpeningAndPolaczono) {
    TerminalHarness h(WithoutSimulator());
    PtyDeviceEnd line(h.Directory());
    ASSERT_TRUE(line.Ok());
    const std::string device = std::filesystem::canonical(h.PathOf("COM1")).string();
    const std::string lock = h.Directory() + UucpLockName(device);
    // A directory of the lock file's name: stale, and no unlink removes it.
    std::filesystem::create_directory(lock);
    CComPort::SetLockDirectory(h.Directory());
    h.Run([&](CLWDlg& dlg) {
        afx::testing::ClickButton(dlg, IDC_CONNECT);
        ASSERT_TRUE(TerminalHarness::WaitForConsoleLine(dlg, "Połączono"));
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        const int opening = FindLine(lines, "Otwieranie portu COM1 , 57600b/s...");
        ASSERT_GE(opening, 0);
        ASSERT_LT(opening + 2, static_cast<int>(lines.size()));
        EXPECT_EQ(lines[opening + 1], "Port COM1 (" + device +
                                          "): nie można usunąć pozostawionej blokady " + lock +
                                          ", port otwarty bez pliku blokady");
        EXPECT_EQ(lines[opening + 2], "Połączono");
        EXPECT_TRUE(h.Disconnect(dlg));
    });
    CComPort::SetLockDirectory("/run/lock/");
    EXPECT_TRUE(h.Boxes().empty());
}

TEST(LinkConnection, DamagedFramesAreCountedInOneLineBeforeRozlaczonoAndACleanLinkAddsNone) {
    TerminalHarness h(WithoutSimulator());
    PtyDeviceEnd line(h.Directory());
    ASSERT_TRUE(line.Ok());
    h.Run([&](CLWDlg& dlg) {
        // Again and again on the same line: each connection starts with clean counts.
        int connections = 0;
        for (const bool damaged : {false, true, false}) {
            afx::testing::ClickButton(dlg, IDC_CONNECT);
            ++connections;
            ASSERT_TRUE(WaitUntil([&] {
                return CountLines(TerminalHarness::ConsoleLines(dlg), "Połączono") == connections;
            }));
            dlg.PollStatus(0);
            if (damaged) {
                line.Send("xy\n\r:03F921E4"); // noise, then a frame with a wrong sum
            }
            line.SendFrame(MakeRecord(31, 0, 5, {'o', 'k'}));
            // This connection's own "ok": the earlier ones are on the console already.
            ASSERT_TRUE(WaitUntil([&] {
                return CountLines(TerminalHarness::ConsoleLines(dlg), "ok") == connections;
            }));
            ASSERT_TRUE(h.Disconnect(dlg));
            const auto lines = TerminalHarness::ConsoleLines(dlg);
            ASSERT_GE(lines.size(), 2u);
            EXPECT_EQ(lines.back(), "Rozłączono");
            EXPECT_EQ(lines[lines.size() - 2],
                      damaged ? "Łącze: ramki: 1, błędna suma kontrolna: 1, za długie: 0, "
                                "odrzucone znaki: 2"
                              : "ok");
        }
    });
    EXPECT_TRUE(h.Boxes().empty());
}

TEST(LinkConnection, SecondStartWhileAWorkerRunsIsRefused) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        EXPECT_EQ(dlg.Transfer().StartWorker("COM1", h.PathOf("COM1"), 57600), 0);
        EXPECT_TRUE(h.Disconnect(dlg));
    });
}

TEST(LinkWorker, DeviceFramesWithTheLinkStatusCodesAreDropped) {
    TerminalHarness h(WithoutSimulator());
    PtyDeviceEnd line(h.Directory());
    ASSERT_TRUE(line.Ok());
    h.Run([&](CLWDlg& dlg) {
        afx::testing::ClickButton(dlg, IDC_CONNECT);
        ASSERT_TRUE(TerminalHarness::WaitForConsoleLine(dlg, "Połączono"));
        dlg.PollStatus(0);
        // Text lines would reach the console if these frames were taken as device data,
        // and "Połączono" or "Rozłączono" would follow if they passed as status records.
        for (int command : {100, 101, 102}) {
            line.SendFrame(MakeRecord(31, 0, command, {'b', 'a', 'd'}));
        }
        line.SendFrame(MakeRecord(31, 0, 5, {'o', 'k'}));
        ASSERT_TRUE(TerminalHarness::WaitForConsoleLine(dlg, "ok"));
        ProcessEvents(100);
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        EXPECT_EQ(CountLines(lines, "bad"), 0);
        EXPECT_EQ(CountLines(lines, "Połączono"), 1);
        EXPECT_EQ(CountLines(lines, "Rozłączono"), 0);
        EXPECT_TRUE(dlg.Transfer().IsConnected());
    });
}

TEST(LinkWorker, FramesQueuedTogetherAllGoOutAndAnIdleLinkDoesNotWakeTheWorker) {
    TerminalHarness h(WithoutSimulator());
    PtyDeviceEnd line(h.Directory());
    ASSERT_TRUE(line.Ok());
    h.Run([&](CLWDlg& dlg) {
        afx::testing::ClickButton(dlg, IDC_CONNECT);
        ASSERT_TRUE(TerminalHarness::WaitForConsoleLine(dlg, "Połączono"));
        dlg.PollStatus(0);
        const std::string poll = FirstStatusRequestText(); // out as the link came up
        ASSERT_NE(line.Receive(10000, poll).find(poll), std::string::npos);

        // The worker may still be woken once by the wake-up its poll request left behind.
        const std::uint64_t before = dlg.Transfer().WorkerWakeups();
        ProcessEvents(300);
        EXPECT_LE(dlg.Transfer().WorkerWakeups() - before, 1u);

        ASSERT_EQ(dlg.Transfer().PutToSend(MakeRecord(31, 1, 33)), 1);
        ASSERT_EQ(dlg.Transfer().PutToSend(MakeRecord(31, 1, 37)), 1);
        ASSERT_EQ(dlg.Transfer().PutToSend(MakeRecord(31, 1, 49)), 1);
        const std::string sent = line.Receive(2000, ":03F931D3");
        EXPECT_EQ(sent, "\n\r:03F921E3\n\r:03F925DF\n\r:03F931D3");
    });
}

TEST(LinkWorker, HungUpPortDoesNotSpinAndStillStopsAtOnce) {
    TerminalHarness h(WithoutSimulator());
    PtyDeviceEnd line(h.Directory());
    ASSERT_TRUE(line.Ok());
    h.Run([&](CLWDlg& dlg) {
        afx::testing::ClickButton(dlg, IDC_CONNECT);
        ASSERT_TRUE(TerminalHarness::WaitForConsoleLine(dlg, "Połączono"));
        dlg.PollStatus(0);
        line.Close(); // the other side goes away, as a pulled adapter
        ProcessEvents(100);
        const std::uint64_t before = dlg.Transfer().WorkerWakeups();
        ProcessEvents(500);
        // Backing off by some 15 ms gives about 33 turns; a spinning worker gives millions.
        EXPECT_LT(dlg.Transfer().WorkerWakeups() - before, 200u);

        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(h.Disconnect(dlg, 2000));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    });
    EXPECT_TRUE(h.Boxes().empty());
}

TEST(LinkWorker, ShutdownWhileConnectedJoinsTheWorker) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) { ASSERT_TRUE(h.Connect(dlg)); });
    // The window closed with the link up; the worker was stopped and joined (a worker
    // left running would post to a deleted window and trip the sanitizers).
    ProcessEvents(100);
    EXPECT_TRUE(h.Boxes().empty());
}
