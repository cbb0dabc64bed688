// Where the running program keeps config.cfg: beside a portable copy, in the user's
// configuration folder when installed or when its directory is read-only.
#include "app/lw_dlg.h"
#include "base/settings_folder.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"
#include "tests/support/terminal_harness.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// COM4, 57600 and 31 as the 12 bytes of config.cfg.
const std::vector<std::uint8_t> kCom4Bytes = {0x04, 0x00, 0x00, 0x00, 0x00, 0xe1,
                                              0x00, 0x00, 0x1f, 0x00, 0x00, 0x00};
const char kMissingConfigBox[] =
    "Nie znaleziono pliku konfiguracyjnego . Przyjęto wartości domyślne.";

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sets or unsets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        Set(value);
    }
    ~ScopedEnv() { Set(m_old); }

private:
    void Set(const std::optional<std::string>& value) {
        if (value) {
            setenv(m_name, value->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

enum class Program { Installed, WritableCopy, ReadOnlyCopy };
enum class Folder { ProgramDirectory, HomeConfig, XdgConfig };

struct FolderCase {
    const char* name;
    Program program;
    const char* xdgConfigHome; // nullptr: unset; "xdg": a folder in the temporary root
    Folder expected;
};

TEST(SettingsFolder, PortSavedThroughTheDialogIsReadBackFromTheChosenFolderAtTheNextStart) {
    const FolderCase cases[] = {
        {"installed, XDG unset", Program::Installed, nullptr, Folder::HomeConfig},
        {"installed, XDG set", Program::Installed, "xdg", Folder::XdgConfig},
        {"installed, XDG empty", Program::Installed, "", Folder::HomeConfig},
        {"installed, XDG relative", Program::Installed, "relative", Folder::HomeConfig},
        {"writable copy, XDG set", Program::WritableCopy, "xdg", Folder::ProgramDirectory},
        {"read-only copy, XDG set", Program::ReadOnlyCopy, "xdg", Folder::XdgConfig},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.program == Program::ReadOnlyCopy && geteuid() == 0) {
            // Root writes any directory; the user's run covers it.
            std::printf("[ skipped  ] row \"%s\": root writes any directory\n", c.name);
            continue;
        }
        TerminalHarness harness([] {
            t_harness_options options;
            options.startSimulator = false;
            options.writeConfig = false;
            return options;
        }());
        const std::string root = harness.Directory();
        ASSERT_TRUE(fs::create_directory(root + "home"));
        ScopedEnv home("HOME", root + "home");
        std::optional<std::string> xdg;
        if (c.xdgConfigHome != nullptr) {
            const std::string value = c.xdgConfigHome;
            xdg = value == "xdg" ? root + value : value;
            if (value == "xdg") {
                ASSERT_TRUE(fs::create_directory(*xdg));
            }
        }
        ScopedEnv xdgConfigHome("XDG_CONFIG_HOME", xdg);
        if (c.program == Program::Installed) {
            afx::testing::SetProgramPathOverride(InstallBinDirectory() + "re2-terminal");
        }
        const std::string folder = c.expected == Folder::ProgramDirectory ? root
                                   : c.expected == Folder::XdgConfig
                                       ? root + "xdg/re2-terminal/"
                                       : root + "home/.config/re2-terminal/";
        const std::string config = folder + "config.cfg";
        if (c.program == Program::ReadOnlyCopy) {
            ASSERT_EQ(chmod(root.c_str(), 0555), 0);
        }

        afx::testing::AddModalHook(IDD_OPCJE, [](CDialog& port) {
            afx::testing::ClickButton(port, IDC_COM1 + 3);
            afx::testing::ClickButton(port, IDOK);
        });
        harness.Run([&](CLWDlg& dlg) {
            EXPECT_EQ(dlg.SettingsDirectory(), folder);
            afx::testing::ClickButton(dlg, IDC_PORT);
            EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(),
                      "Plik konfiguracyjny '" + config + "' zapisano");
        });
        EXPECT_EQ(harness.BoxTexts(), std::vector<std::string>{kMissingConfigBox});
        EXPECT_EQ(ReadBytes(config), kCom4Bytes);
        if (c.expected != Folder::ProgramDirectory) {
            struct stat info;
            ASSERT_EQ(stat(folder.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0700u);
            EXPECT_FALSE(fs::exists(harness.PathOf("config.cfg")));
        }

        harness.ClearBoxes();
        harness.Run([&](CLWDlg& dlg) {
            const auto lines = TerminalHarness::ConsoleLines(dlg);
            ASSERT_EQ(lines.size(), 3u);
            EXPECT_EQ(lines[2], "Plik konfiguracyjny '" + config + "' odczytano");
            EXPECT_EQ(dlg.m_settings.portNumber, 4);
        });
        EXPECT_TRUE(harness.BoxTexts().empty());
        chmod(root.c_str(), 0700); // so that the harness can clean up
    }
}

} // namespace
