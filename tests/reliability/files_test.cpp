// Files the technician's disk gives the program: settings files of every awkward size or
// kind, measurement files of wrong sizes, a directory, a file that shrinks while it is read,
// and saving into a read-only folder or onto a full disk. Through the real handlers: the
// old file survives whole, no partial file is left at the target name, every failure says
// so.

#include "app/atomic_file.h"
#include "app/text_format.h"
#include "framework/file_dialog.h"
#include "framework/test_seams.h"
#include "link/protocol.h"
#include "res/resource.h"
#include "tests/support/file_bytes.h"
#include "tests/support/terminal_harness.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace t = afx::testing;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kImageSize = protocol::kRecorderSize;
const char* const kNoConfig = "Nie znaleziono pliku konfiguracyjnego . Przyjęto wartości domyślne.";
const char* const kNotSamples = "To nie jest plik z probkami";
const char* const kReadError = "Blad w odczycie pliku!";
const char* const kCannotWrite = "Nie mozna otworzyc pliku do zapisu!";

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 13 + seed + i / 509);
    }
    return bytes;
}

std::vector<std::string> Names(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void AnswerFileDialogs(const std::string& path) {
    t::SetFileDialogAnswerer([path](const CFileDialog&, std::string& chosen) {
        chosen = path;
        return true;
    });
}

bool ImageIs(CLWDlg& dlg, const std::vector<std::uint8_t>& bytes) {
    return bytes.size() == kImageSize &&
           std::memcmp(dlg.MemoryImage(), bytes.data(), kImageSize) == 0;
}

// The first `size` bytes of: port 1, 57600 Bd, device address 17, then padding.
std::vector<std::uint8_t> ConfigBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(size, 12), 0xEE);
    const std::int32_t values[] = {1, 57600, 17};
    std::memcpy(bytes.data(), values, sizeof values);
    bytes.resize(size);
    return bytes;
}

// A small file system of its own (tmpfs), unmounted at the end; Mounted() is false where
// mounting is not allowed (always for a normal user, often in a container).
class ScratchMount {
public:
    ScratchMount(const std::string& path, const char* options) : m_path(path) {
        fs::create_directories(path);
        m_mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options) == 0;
    }
    ~ScratchMount() {
        if (m_mounted) {
            ::umount2(m_path.c_str(), MNT_DETACH);
        }
    }
    bool Mounted() const { return m_mounted; }
    bool MakeReadOnly() {
        return ::mount(nullptr, m_path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string m_path;
    bool m_mounted = false;
};

// Cuts a file to half its length the first time anyone reads it, before the read goes
// ahead (a fanotify permission event). Armed() is false where fanotify is not allowed.
class ShrinkOnFirstRead {
public:
    explicit ShrinkOnFirstRead(const std::string& path) : m_path(path) {
        m_fan = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY);
        if (m_fan < 0) {
            return;
        }
        if (fanotify_mark(m_fan, FAN_MARK_ADD, FAN_ACCESS_PERM, AT_FDCWD, path.c_str()) != 0) {
            ::close(m_fan);
            m_fan = -1;
            return;
        }
        m_thread = std::thread([this] { Serve(); });
    }
    ~ShrinkOnFirstRead() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_fan >= 0) {
            ::close(m_fan);
        }
    }
    bool Armed() const { return m_fan >= 0; }
    bool Shrunk() const { return m_shrunk; }

private:
    void Serve() {
        while (!m_stop) {
            pollfd p{m_fan, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) {
                continue;
            }
            fanotify_event_metadata event[8];
            const ssize_t n = ::read(m_fan, event, sizeof event);
            for (auto* e = event; n > 0 && FAN_EVENT_OK(e, n);) {
                if (!m_shrunk) {
                    m_shrunk = ::truncate(m_path.c_str(), kImageSize / 2) == 0;
                }
                fanotify_response allow{e->fd, FAN_ALLOW};
                (void)!::write(m_fan, &allow, sizeof allow);
                ::close(e->fd);
                ssize_t left = n - static_cast<ssize_t>(e->event_len);
                e = reinterpret_cast<fanotify_event_metadata*>(reinterpret_cast<char*>(e) +
                                                               e->event_len);
                if (left <= 0) {
                    break;
                }
            }
        }
    }

    std::string m_path;
    int m_fan = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_shrunk{false};
};

class Files : public ::testing::Test {
protected:
    void TearDown() override {
        t::ClearModalHooks();
        t::SetFileDialogAnswerer(nullptr);
        SetAtomicWriteFunctionForTest(nullptr);
    }
};

TEST_F(Files, SettingsFileOfAnySizeOrKindStartsTheProgramAndIsLeftAsItWas) {
    struct t_case {
        const char* name;
        std::size_t size; // SIZE_MAX: a directory
        bool read;
    };
    const t_case cases[] = {{"empty", 0, false},      {"11 bytes", 11, false},
                            {"12 bytes", 12, true},   {"13 bytes", 13, true},
                            {"1 MiB", 1 << 20, true}, {"directory", SIZE_MAX, false}};
    for (const t_case& c : cases) {
        SCOPED_TRACE(c.name);
        t_harness_options options;
        options.writeConfig = false;
        TerminalHarness h(options);
        const std::string path = h.PathOf("config.cfg");
        std::vector<std::uint8_t> bytes;
        if (c.size == SIZE_MAX) {
            fs::create_directory(path);
        } else {
            bytes = ConfigBytes(c.size);
            WriteBytes(path, bytes);
        }
        int address = -1;
        h.Run([&](CLWDlg& dlg) {
            address = dlg.DeviceAddress();
            EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg),
                                 "Plik konfiguracyjny '" + path + "' odczytano"),
                      c.read ? 1 : 0);
        });
        EXPECT_EQ(h.BoxTexts(),
                  c.read ? std::vector<std::string>{} : std::vector<std::string>{kNoConfig});
        EXPECT_EQ(address, c.read ? 17 : protocol::kDefaultDeviceAddress);
        if (c.size == SIZE_MAX) {
            EXPECT_TRUE(fs::is_directory(path));
        } else {
            EXPECT_EQ(ReadBytes(path), bytes);
        }
    }
}

TEST_F(Files, SettingsSavedOntoAFullDiskOrOverADirectoryKeepWhatWasThere) {
    TerminalHarness h;
    const std::string path = h.PathOf("config.cfg");
    const auto old = ReadBytes(path);
    ASSERT_EQ(old.size(), protocol::kSettingsFileSize);
    h.Run([&](CLWDlg& dlg) {
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        SetAtomicWriteFunctionForTest(
            [](int, const void*, std::size_t) -> ssize_t { return errno = ENOSPC, -1; });
        t::AddModalHook(IDD_OPCJE, [](CDialog& d) {
            t::ClickButton(d, IDC_COM1 + 3);
            t::ClickButton(d, IDOK);
        });
        t::ClickButton(dlg, IDC_PORT);
        SetAtomicWriteFunctionForTest(nullptr);
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg), lines); // no "zapisano"
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(Names(h.Directory()), (std::vector<std::string>{"COM1", "config.cfg"}));

        fs::remove(path);
        fs::create_directory(path);
        t::AddModalHook(IDD_OPCJE, [](CDialog& d) { t::ClickButton(d, IDOK); });
        t::ClickButton(dlg, IDC_PORT);
        EXPECT_TRUE(fs::is_directory(path));
        EXPECT_EQ(Names(h.Directory()), (std::vector<std::string>{"COM1", "config.cfg"}));
    });
}

TEST_F(Files, MeasurementFilesOfWrongSizeOrKindLeaveTheImage) {
    TerminalHarness h;
    const auto loaded = Pattern(kImageSize, 3);
    WriteBytes(h.PathOf("dobry.qz"), loaded);
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, kImageSize - 1, kImageSize + 1, 2 * kImageSize}) {
        WriteBytes(h.PathOf(std::to_string(size) + ".qz"), Pattern(size, 7));
    }
    fs::create_directory(h.PathOf("katalog.qz"));
    h.Run([&](CLWDlg& dlg) {
        AnswerFileDialogs(h.PathOf("dobry.qz"));
        t::ClickButton(dlg, IDC_LOAD_FILE);
        ASSERT_TRUE(ImageIs(dlg, loaded));
        for (const std::size_t size :
             {std::size_t{0}, std::size_t{1}, kImageSize - 1, kImageSize + 1, 2 * kImageSize}) {
            SCOPED_TRACE(size);
            h.ClearBoxes();
            AnswerFileDialogs(h.PathOf(std::to_string(size) + ".qz"));
            t::ClickButton(dlg, IDC_LOAD_FILE);
            EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNotSamples});
            EXPECT_TRUE(ImageIs(dlg, loaded));
        }
        h.ClearBoxes();
        AnswerFileDialogs(h.PathOf("katalog.qz"));
        t::ClickButton(dlg, IDC_LOAD_FILE);
        EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kReadError});
        EXPECT_TRUE(ImageIs(dlg, loaded));
    });
}

TEST_F(Files, MeasurementFileThatShrinksWhileReadIsRefusedWhole) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root: fanotify permission events";
    }
    TerminalHarness h;
    const auto loaded = Pattern(kImageSize, 5);
    WriteBytes(h.PathOf("dobry.qz"), loaded);
    const std::string shrinking = h.PathOf("kurczy.qz");
    WriteBytes(shrinking, Pattern(kImageSize, 9));
    ShrinkOnFirstRead shrink(shrinking);
    if (!shrink.Armed()) {
        GTEST_SKIP() << "fanotify permission events are not allowed here";
    }
    h.Run([&](CLWDlg& dlg) {
        AnswerFileDialogs(h.PathOf("dobry.qz"));
        t::ClickButton(dlg, IDC_LOAD_FILE);
        ASSERT_TRUE(ImageIs(dlg, loaded));
        h.ClearBoxes();
        AnswerFileDialogs(shrinking);
        t::ClickButton(dlg, IDC_LOAD_FILE);
        EXPECT_TRUE(shrink.Shrunk());
        EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kReadError});
        EXPECT_TRUE(ImageIs(dlg, loaded));
    });
}

TEST_F(Files, SavingOntoAFullDiskOrIntoAReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root: mounts small tmpfs file systems";
    }
    TerminalHarness h;
    const std::string full = h.PathOf("pelny");
    const std::string readOnly = h.PathOf("tylko_odczyt");
    ScratchMount fullDisk(full, "size=256k");
    ScratchMount readOnlyDisk(readOnly, "size=1m");
    if (!fullDisk.Mounted() || !readOnlyDisk.Mounted()) {
        GTEST_SKIP() << "mounting a scratch file system is not allowed here";
    }
    const auto old = Pattern(1000, 1);
    WriteBytes(full + "/stary.qz", old);
    WriteBytes(readOnly + "/stary.qz", old);
    ASSERT_TRUE(readOnlyDisk.MakeReadOnly());
    h.Run([&](CLWDlg& dlg) {
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        for (const std::string& dir : {full, readOnly}) {
            SCOPED_TRACE(dir);
            for (const char* name : {"stary.qz", "nowy.qz"}) {
                h.ClearBoxes();
                AnswerFileDialogs(dir + "/" + name);
                t::ClickButton(dlg, IDC_SAVE_FILE);
                EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kCannotWrite});
            }
            EXPECT_EQ(ReadBytes(dir + "/stary.qz"), old);
            EXPECT_EQ(Names(dir), std::vector<std::string>{"stary.qz"});
        }
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg), lines);
    });
}

} // namespace
