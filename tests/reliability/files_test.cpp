// Files the technician's disk gives the program: settings files of every awkward size or
// kind, measurement files of wrong sizes, a directory, a file that shrinks while it is read,
// and saving into a read-only folder or onto a full disk. Through the real handlers: the
// old file survives whole, no partial file is left at the target name, every failure says
// so. Saving treats the file that is there as a plain open for writing would: it refuses
// what that open refuses, follows symbolic links, and keeps hard links, owners and
// permissions.

#include "base/atomic_file.h"
#include "base/settings_file.h"
#include "base/text_format.h"
#include "framework/file_dialog.h"
#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "res/resource.h"
#include "tests/support/file_bytes.h"
#include "tests/support/terminal_harness.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <iterator>
#include <map>
#include <poll.h>
#include <sys/fanotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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
// "Zapisz do pliku" asks before it replaces a file (the harness answers "Tak").
std::string ReplaceQuestion(const std::string& name) {
    return name + " już istnieje.\nCzy chcesz go zastąpić?";
}

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
        EXPECT_EQ(address, c.read ? 17 : settings::kDefaultDeviceAddress);
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
    ASSERT_EQ(old.size(), settings::kSettingsFileSize);
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
                EXPECT_EQ(h.BoxTexts(),
                          std::string(name) == "stary.qz"
                              ? (std::vector<std::string>{ReplaceQuestion(name), kCannotWrite})
                              : std::vector<std::string>{kCannotWrite});
            }
            EXPECT_EQ(ReadBytes(dir + "/stary.qz"), old);
            EXPECT_EQ(Names(dir), std::vector<std::string>{"stary.qz"});
        }
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg), lines);
    });
}

// Saving onto what is already there. Every row is saved twice: as config.cfg through the
// "Port" dialog and as a measurement file through "Zapisz do pliku".

enum class Saved { Config, Image };
enum class Outcome {
    Replaced, // new content under a new inode with the old permissions, owner and group
    InPlace,  // new content in the same inode, as the plain open writes it
    Created,  // a new file, with the permissions the umask or the default ACL give
    Refused,  // the failure is shown and the file keeps its bytes
};
enum class Runs { Anyone, AsRoot, AsUser }; // where the row can be set up or applies

// Where a row builds its files: the name the program saves under, the folder it lies in,
// and a folder of its own for link targets. Both folder names end in '/'.
struct t_place {
    std::string entry;
    std::string folder;
    std::string elsewhere;
    std::vector<std::uint8_t> old;
};

struct t_target_row {
    const char* name;
    Runs runs;
    Outcome outcome;
    // Builds the row's files and gives the file the content ends in ("" for none).
    std::function<std::string(const t_place&)> build;
};

constexpr uid_t kOtherUser = 65534;
constexpr gid_t kOtherGroup = 65534;
constexpr mode_t kKeptMode = 0604; // unusual, so that a kept mode shows

void Build(const std::string& path, const std::vector<std::uint8_t>& bytes, mode_t mode) {
    WriteBytes(path, bytes);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

void Link(const std::string& to, const std::string& at) {
    ASSERT_EQ(::symlink(to.c_str(), at.c_str()), 0) << at;
}

// Every name of a folder with what it is; links with what they say.
std::map<std::string, std::string> Listing(const std::string& folder) {
    std::map<std::string, std::string> listing;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const fs::path& path = entry.path();
        listing[path.filename().string()] =
            fs::is_symlink(fs::symlink_status(path)) ? "-> " + fs::read_symlink(path).string() : "";
    }
    return listing;
}

// A default ACL of u::rwx, g::rwx, o::r-x on the folder (new files 0664 whatever the
// umask); false where the file system has no ACLs.
bool SetDefaultAcl(const std::string& folder) {
    struct Entry {
        std::uint16_t tag, perm;
        std::uint32_t id;
    };
    struct {
        std::uint32_t version = 2;
        Entry entries[3] = {{0x01, 7, ~0u}, {0x04, 7, ~0u}, {0x20, 5, ~0u}};
    } acl;
    return ::setxattr(folder.c_str(), "system.posix_acl_default", &acl, sizeof acl, 0) == 0;
}

std::string FolderPrefix(const std::string& path) {
    return path.substr(0, path.find_last_of('/') + 1);
}

bool Runnable(Runs runs) {
    return runs == Runs::Anyone || (runs == Runs::AsRoot) == (geteuid() == 0);
}

// Saves through the program's own handler: "Port" confirmed with COM4, or "Zapisz do
// pliku". True when the program reports the save with its console line; false when it
// adds no line.
bool SaveThroughProgram(TerminalHarness& h, CLWDlg& dlg, Saved file, const std::string& entry) {
    h.ClearBoxes();
    const auto lines = TerminalHarness::ConsoleLines(dlg);
    std::string done;
    if (file == Saved::Config) {
        t::AddModalHook(IDD_OPCJE, [](CDialog& d) {
            t::ClickButton(d, IDC_COM1 + 3);
            t::ClickButton(d, IDOK);
        });
        t::ClickButton(dlg, IDC_PORT);
        done = "Plik konfiguracyjny '" + entry + "' zapisano";
    } else {
        AnswerFileDialogs(entry);
        t::ClickButton(dlg, IDC_SAVE_FILE);
        done = "Plik '" + entry + "' zapisany, 475136 bajtow";
    }
    const auto after = TerminalHarness::ConsoleLines(dlg);
    if (after == lines) {
        return false;
    }
    EXPECT_EQ(after.size(), lines.size() + 1);
    EXPECT_EQ(after.back(), done);
    return true;
}

// Runs the rows for both files in one program and checks each outcome. Gives the rows this
// run cannot set up.
std::vector<std::string> SaveOntoEachTarget(const std::vector<t_target_row>& rows) {
    std::vector<std::string> skipped;
    const mode_t umaskBefore = ::umask(027);
    TerminalHarness h;
    const bool acl = SetDefaultAcl(h.Directory());
    const mode_t newMode = acl ? 0664 : 0640;
    h.Run([&](CLWDlg& dlg) {
        int place = 0;
        for (const t_target_row& row : rows) {
            if (!Runnable(row.runs)) {
                skipped.push_back(row.name);
                continue;
            }
            for (const Saved file : {Saved::Config, Saved::Image}) {
                SCOPED_TRACE(std::string(row.name) +
                             (file == Saved::Config ? ", config.cfg" : ", measurement file"));
                t_place p;
                const std::string n = std::to_string(++place);
                p.elsewhere = h.PathOf("cel" + n + "/");
                fs::create_directory(p.elsewhere);
                std::vector<std::uint8_t> fresh;
                if (file == Saved::Config) {
                    p.folder = h.Directory();
                    p.entry = h.PathOf("config.cfg");
                    fs::remove(p.entry);
                    p.old = ConfigBytes(12);
                    fresh.resize(settings::kSettingsFileSize);
                    EncodeSettings({4, dlg.m_settings.baudRate, dlg.m_settings.deviceAddress},
                                   fresh.data());
                } else {
                    p.folder = h.PathOf("zapis" + n + "/");
                    fs::create_directory(p.folder);
                    p.entry = p.folder + "plik.qz";
                    p.old = Pattern(kImageSize, 1);
                    fresh.assign(dlg.MemoryImage(), dlg.MemoryImage() + kImageSize);
                }
                const std::string target = row.build(p);
                const auto folderBefore = Listing(p.folder);
                const auto elsewhereBefore = Listing(p.elsewhere);
                struct stat before {};
                const bool existed = !target.empty() && ::stat(target.c_str(), &before) == 0;
                // Only "Zapisz do pliku" asks, and only about a file (followed to it) there.
                struct stat entry {};
                const bool asked = file == Saved::Image && ::stat(p.entry.c_str(), &entry) == 0 &&
                                   !S_ISDIR(entry.st_mode);

                const bool saved = SaveThroughProgram(h, dlg, file, p.entry);
                fs::permissions(p.folder, fs::perms::owner_all);
                fs::permissions(p.elsewhere, fs::perms::owner_all);

                const bool refused = row.outcome == Outcome::Refused;
                EXPECT_EQ(saved, !refused);
                // The "Port" dialog's save says nothing when it fails; "Zapisz do pliku" does.
                std::vector<std::string> boxes;
                if (asked) {
                    boxes.push_back(ReplaceQuestion("plik.qz"));
                }
                if (refused && file == Saved::Image) {
                    boxes.push_back(kCannotWrite);
                }
                EXPECT_EQ(h.BoxTexts(), boxes);
                auto folderExpected = folderBefore;
                auto elsewhereExpected = elsewhereBefore;
                if (row.outcome == Outcome::Created) {
                    (FolderPrefix(target) == p.folder
                         ? folderExpected
                         : elsewhereExpected)[fs::path(target).filename().string()] = "";
                }
                EXPECT_EQ(Listing(p.folder), folderExpected); // links stay, no temporary
                EXPECT_EQ(Listing(p.elsewhere), elsewhereExpected);
                if (target.empty()) {
                    continue;
                }
                struct stat after {};
                if (::stat(target.c_str(), &after) != 0) {
                    ADD_FAILURE() << "no file at " << target;
                    continue;
                }
                EXPECT_EQ(ReadBytes(target), refused ? p.old : fresh);
                if (row.outcome == Outcome::Created) {
                    EXPECT_FALSE(existed);
                    EXPECT_EQ(after.st_mode & 07777, newMode);
                    continue;
                }
                EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
                EXPECT_EQ(after.st_uid, before.st_uid);
                EXPECT_EQ(after.st_gid, before.st_gid);
                EXPECT_EQ(after.st_nlink, before.st_nlink);
                EXPECT_EQ(after.st_ino == before.st_ino, row.outcome != Outcome::Replaced);
            }
        }
    });
    ::umask(umaskBefore);
    if (!acl) {
        std::cout << "[ note     ] no default ACL here: new files checked against the umask\n";
    }
    return skipped;
}

TEST_F(Files, SavingFollowsLinksAndKeepsWhatAPlainOpenKeeps) {
    const std::vector<t_target_row> rows = {
        {"plain file", Runs::Anyone, Outcome::Replaced,
         [](const t_place& p) {
             Build(p.entry, p.old, kKeptMode);
             return p.entry;
         }},
        {"symbolic link", Runs::Anyone, Outcome::Replaced,
         [](const t_place& p) {
             Build(p.elsewhere + "plik", p.old, kKeptMode);
             Link(p.elsewhere + "plik", p.entry);
             return p.elsewhere + "plik";
         }},
        {"chain of relative links", Runs::Anyone, Outcome::Replaced,
         [](const t_place& p) {
             Build(p.elsewhere + "plik", p.old, kKeptMode);
             Link(fs::relative(p.elsewhere + "plik", p.folder).string(), p.folder + "posredni");
             Link("posredni", p.entry);
             return p.elsewhere + "plik";
         }},
        {"link to a name of 255 characters", Runs::Anyone, Outcome::Replaced,
         [](const t_place& p) {
             const std::string target = p.elsewhere + std::string(252, 'd') + ".qz";
             Build(target, p.old, kKeptMode);
             Link(target, p.entry);
             return target;
         }},
        {"link to nowhere", Runs::Anyone, Outcome::Created,
         [](const t_place& p) {
             Link(p.elsewhere + "nowy", p.entry);
             return p.elsewhere + "nowy";
         }},
        {"no file yet", Runs::Anyone, Outcome::Created, [](const t_place& p) { return p.entry; }},
        {"link loop", Runs::Anyone, Outcome::Refused,
         [](const t_place& p) {
             Link("petla", p.entry);
             Link(fs::path(p.entry).filename().string(), p.folder + "petla");
             return std::string();
         }},
        {"file with a second hard link", Runs::Anyone, Outcome::InPlace,
         [](const t_place& p) {
             Build(p.entry, p.old, kKeptMode);
             EXPECT_EQ(::link(p.entry.c_str(), (p.elsewhere + "drugi").c_str()), 0);
             return p.entry;
         }},
        {"file of another user", Runs::AsRoot, Outcome::InPlace,
         [](const t_place& p) {
             Build(p.entry, p.old, kKeptMode);
             EXPECT_EQ(::chown(p.entry.c_str(), kOtherUser, kOtherGroup), 0);
             return p.entry;
         }},
        {"file of another group", Runs::AsRoot, Outcome::Replaced,
         [](const t_place& p) {
             Build(p.entry, p.old, kKeptMode);
             EXPECT_EQ(::chown(p.entry.c_str(), geteuid(), kOtherGroup), 0);
             return p.entry;
         }},
        {"writable file in a folder the user cannot write", Runs::AsUser, Outcome::InPlace,
         [](const t_place& p) {
             Build(p.entry, p.old, kKeptMode);
             fs::permissions(p.folder, fs::perms::owner_read | fs::perms::owner_exec);
             return p.entry;
         }},
    };
    for (const std::string& row : SaveOntoEachTarget(rows)) {
        std::cout << "[ skipped  ] row \"" << row << "\": "
                  << (geteuid() == 0 ? "permissions do not stop root" : "needs root to set up")
                  << "\n";
    }
}

TEST_F(Files, SavingOntoAFileThePlainOpenRefusesShowsTheFailureAndKeepsIt) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root opens read-only files for writing: run as a normal user";
    }
    const std::vector<t_target_row> rows = {
        {"read-only file", Runs::AsUser, Outcome::Refused,
         [](const t_place& p) {
             Build(p.entry, p.old, 0444);
             return p.entry;
         }},
        {"read-only file behind a link", Runs::AsUser, Outcome::Refused,
         [](const t_place& p) {
             Build(p.elsewhere + "plik", p.old, 0444);
             Link(p.elsewhere + "plik", p.entry);
             return p.elsewhere + "plik";
         }},
        {"read-only file with a second hard link", Runs::AsUser, Outcome::Refused,
         [](const t_place& p) {
             Build(p.entry, p.old, 0444);
             EXPECT_EQ(::link(p.entry.c_str(), (p.elsewhere + "drugi").c_str()), 0);
             return p.entry;
         }},
        {"read-only file in a read-only folder", Runs::AsUser, Outcome::Refused,
         [](const t_place& p) {
             Build(p.entry, p.old, 0444);
             fs::permissions(p.folder, fs::perms::owner_read | fs::perms::owner_exec);
             return p.entry;
         }},
    };
    EXPECT_TRUE(SaveOntoEachTarget(rows).empty());
}

} // namespace
