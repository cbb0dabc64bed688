#include "base/settings_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FolderCase {
    const char* name;
    const char* programDirectory;
    bool writable;
    const char* xdgConfigHome;
    const char* home;
    const char* expected;
};

TEST(SettingsFolder, PortableCopyKeepsItsDirectoryEverythingElseUsesTheUsersConfigFolder) {
    const FolderCase cases[] = {
        {"writable copy", "/opt/demo/", true, "/x", "/home/t", "/opt/demo/"},
        {"current directory", "", true, "/x", "/home/t", ""},
        {"installed, root can write it", "/usr/bin/", true, "", "/root",
         "/root/.config/re2-terminal/"},
        {"installed, spelled with a slash", "/usr/bin//", true, "", "/root",
         "/root/.config/re2-terminal/"},
        {"read-only copy", "/opt/demo/", false, "/home/t/cfg", "/home/t",
         "/home/t/cfg/re2-terminal/"},
        {"XDG ending in a slash", "/usr/bin/", false, "/home/t/cfg/", "/home/t",
         "/home/t/cfg/re2-terminal/"},
        {"relative XDG is ignored", "/usr/bin/", false, "cfg", "/home/t",
         "/home/t/.config/re2-terminal/"},
        {"home ending in a slash", "/usr/bin/", false, "", "/home/t/",
         "/home/t/.config/re2-terminal/"},
        {"no usable home", "/usr/bin/", false, "", "home", "/usr/bin/"},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string probed;
        t_settings_folder_inputs inputs;
        inputs.programDirectory = c.programDirectory;
        inputs.installBinDirectory = "/usr/bin";
        inputs.xdgConfigHome = c.xdgConfigHome;
        inputs.home = c.home;
        inputs.isWritable = [&](const std::string& directory) {
            probed = directory;
            return c.writable;
        };
        EXPECT_EQ(ChooseSettingsDirectory(inputs), c.expected);
        if (std::string(c.programDirectory) == "") {
            EXPECT_EQ(probed, ".");
        }
    }
}

TEST(SettingsFolder, MissingFoldersAreCreatedPrivateAndExistingOnesKeepTheirMode) {
    char pattern[] = "/tmp/re2_folder_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    ASSERT_EQ(chmod(root.c_str(), 0755), 0);
    const std::string folder = root + "/.config/re2-terminal/";

    EXPECT_TRUE(MakeSettingsDirectory(folder));
    EXPECT_TRUE(MakeSettingsDirectory(folder)); // already there
    struct stat info;
    for (const std::string& path : {root + "/.config", root + "/.config/re2-terminal"}) {
        ASSERT_EQ(stat(path.c_str(), &info), 0) << path;
        EXPECT_EQ(info.st_mode & 07777, 0700u) << path;
    }
    ASSERT_EQ(stat(root.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);

    // A file where a folder should be is a failure, not a folder.
    const std::string blocked = root + "/file";
    ASSERT_EQ(close(creat(blocked.c_str(), 0600)), 0);
    EXPECT_FALSE(MakeSettingsDirectory(blocked + "/re2-terminal/"));
    EXPECT_FALSE(MakeSettingsDirectory(blocked));
    std::filesystem::remove_all(root);
}

} // namespace
