// Pointing a COMn link of the settings folder at a port.
#include "link/com_link.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

TEST(ComLink, ALinkOrNothingIsReplacedAnythingElseIsKept) {
    enum class Before { Nothing, Link, DanglingLink, File, Folder };
    const struct {
        Before before;
        bool changed;
        const char* reason; // the start of why not
    } cases[] = {
        {Before::Nothing, true, ""},        {Before::Link, true, ""},
        {Before::DanglingLink, true, ""},   {Before::File, false, "COM2 w "},
        {Before::Folder, false, "COM2 w "},
    };
    for (const auto& c : cases) {
        TemporaryDirectory folder("re2_com_link_");
        const std::string dir = folder.Path() + "/";
        const std::string com = dir + "COM2";
        std::ofstream(dir + "adapter") << "";
        switch (c.before) {
        case Before::Nothing:
            break;
        case Before::Link:
            fs::create_symlink(dir + "old", com);
            std::ofstream(dir + "old") << "";
            break;
        case Before::DanglingLink:
            fs::create_symlink(dir + "gone", com);
            break;
        case Before::File:
            std::ofstream(com) << "kept";
            break;
        case Before::Folder:
            fs::create_directory(com);
            break;
        }
        const auto entriesBefore = folder.EntryCount();
        const std::string reason = PointComLink(dir, 2, dir + "adapter");
        EXPECT_EQ(reason.rfind(c.reason, 0), 0u) << reason;
        const t_com_link link = ReadComLink(dir, 2);
        if (c.changed) {
            EXPECT_TRUE(link.isLink);
            EXPECT_EQ(link.target, dir + "adapter");
            EXPECT_EQ(link.device, fs::canonical(dir + "adapter").string());
            EXPECT_EQ(folder.EntryCount(), entriesBefore + (c.before == Before::Nothing ? 1 : 0));
        } else {
            EXPECT_TRUE(link.exists);
            EXPECT_FALSE(link.isLink);
            EXPECT_EQ(folder.EntryCount(), entriesBefore); // no temporary link left
        }
    }
    // A folder that is not there: nothing made, the system's reason given.
    TemporaryDirectory folder("re2_com_link_");
    const std::string reason = PointComLink(folder.Path() + "/missing/", 1, "/dev/ttyUSB0");
    EXPECT_EQ(reason.rfind("nie można zmienić " + folder.Path() + "/missing/COM1: ", 0), 0u)
        << reason;
    EXPECT_FALSE(ReadComLink(folder.Path() + "/missing/", 1).exists);
}

} // namespace
