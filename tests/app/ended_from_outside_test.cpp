// The main window ended from outside (what the program does on a termination signal before
// it ends by that signal) in the middle of a block write: the write is cancelled and never
// closed, and when the call returns the port is handed back as "Rozłącz" hands it back:
// no lock file, no exclusive use, the line settings it was found with.
#include "app/lw_dlg.h"
#include "framework/testing/test_seams.h"
#include "link/com_port.h"
#include "link/protocol.h"
#include "link/transfer.h"
#include "link/ui/dlg_nv_progress.h"
#include "link/uucp_lock.h"
#include "res/resource.h"
#include "tests/support/terminal_harness.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

namespace t = afx::testing;

// The port's lock files go to the test's own folder while it lives.
class LockFolder {
public:
    explicit LockFolder(const std::string& folder) { CComPort::SetLockDirectory(folder); }
    ~LockFolder() { CComPort::SetLockDirectory("/run/lock/"); }
};

// True while some program holds the terminal for exclusive use: another open is refused,
// or (for root, whom the refusal spares) the flag reads set.
bool HeldExclusively(const std::string& device) {
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno == EBUSY;
    }
    int exclusive = 0;
    const bool set = ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    close(fd);
    return set;
}

// The line settings of the terminal at `device`, as another program would read them.
std::string LineSettings(const std::string& device) {
    const int fd = open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios line{};
    const bool read = fd >= 0 && tcgetattr(fd, &line) == 0;
    if (fd >= 0) {
        close(fd);
    }
    if (!read) {
        return "unreadable";
    }
    std::string text = std::to_string(line.c_iflag) + " " + std::to_string(line.c_oflag) + " " +
                       std::to_string(line.c_cflag) + " " + std::to_string(line.c_lflag) + " " +
                       std::to_string(cfgetispeed(&line)) + " " +
                       std::to_string(cfgetospeed(&line));
    for (const cc_t c : line.c_cc) {
        text += " " + std::to_string(c);
    }
    return text;
}

TEST(EndedFromOutside, AWriteInProgressIsCancelledNeverClosedAndThePortReleasedAtOnce) {
    TerminalHarness h;
    LockFolder lockFolder(h.Directory());
    const std::string device = std::filesystem::canonical(h.Sim().SlavePath()).string();
    const std::string lockFile = h.Directory() + UucpLockName(device);
    // The second chunk of the three is never answered, so the write is under way whenever
    // the box's loop first turns, and could only be closed by a reply that comes later.
    h.Sim().WithDevice([](DeviceSimulator& d) { d.DropReply(protocol::kCmdWriteChunk, 2); });
    const int block = protocol::kBlockRelays;
    const std::vector<std::uint8_t> bytes(CDlgNVProgress::BlockSize(block), 0x5A);

    const std::string found = LineSettings(device);
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        ASSERT_NE(LineSettings(device), found);
        ASSERT_TRUE(std::filesystem::exists(lockFile));
        ASSERT_TRUE(HeldExclusively(device));

        t::AddModalHook(IDD_NV_PROGRESS, [&](CDialog&) {
            dlg.EndFromOutside();
            // Released when the call returns, before any further event is handled.
            EXPECT_FALSE(std::filesystem::exists(lockFile));
            EXPECT_FALSE(HeldExclusively(device));
            EXPECT_EQ(LineSettings(device), found);
            EXPECT_EQ(dlg.Transfer().WaitWorkerEnd(), 0) << "the worker was left running";
        });
        dlg.ProgressDialog().SetWrite(block, bytes.data());
        EXPECT_EQ(dlg.ProgressDialog().DoModal(), IDCANCEL);

        // The window then shows the link down as after "Rozłącz".
        EXPECT_TRUE(t::WaitUntil([&] { return t::IsEnabled(dlg, IDC_CONNECT); }, 5000));
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        EXPECT_EQ(CountLines(lines, "Przerwano transmisję"), 1);
        EXPECT_EQ(lines.back(), "Rozłączono");
        EXPECT_TRUE(h.RequestsOf(protocol::kCmdCloseWrite).empty());
        EXPECT_TRUE(h.Boxes().empty());
    });
}

} // namespace
