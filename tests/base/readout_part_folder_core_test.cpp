// Where the parts of cut readouts live: the folder and the folders checked above it.

#include "base/readout_part_folder.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

TEST(ReadoutPartFolder, StateFolderOfTheUserOrTheProgramDirectoryOfAPortableCopy) {
    struct Case {
        const char* name;
        bool writable;
        const char* xdgStateHome;
        const char* home;
        t_readout_part_folder expected;
    };
    const Case cases[] = {
        {"XDG_STATE_HOME set", false, "/st", "/home/t", {"/st/re2-terminal/", "/st", ""}},
        {"XDG_STATE_HOME ending in a slash",
         false,
         "/st/",
         "/home/t",
         {"/st/re2-terminal/", "/st", ""}},
        {"XDG_STATE_HOME inside the home",
         false,
         "/home/t/st",
         "/home/t/",
         {"/home/t/st/re2-terminal/", "/home/t/st", "/home/t"}},
        {"XDG_STATE_HOME beside the home",
         false,
         "/home/tt",
         "/home/t",
         {"/home/tt/re2-terminal/", "/home/tt", ""}},
        {"XDG_STATE_HOME unset or empty",
         false,
         "",
         "/home/t",
         {"/home/t/.local/state/re2-terminal/", "/home/t/.local/state", "/home/t"}},
        {"XDG_STATE_HOME relative",
         false,
         "st",
         "/home/t/",
         {"/home/t/.local/state/re2-terminal/", "/home/t/.local/state", "/home/t"}},
        {"home is the root", false, "", "/", {"/.local/state/re2-terminal/", "/.local/state", "/"}},
        {"no absolute home", false, "st", "home", {"/opt/demo/", "/opt/demo/", ""}},
        {"portable copy", true, "/st", "/home/t", {"/opt/demo/", "/opt/demo/", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        t_settings_folder_inputs inputs;
        inputs.programDirectory = "/opt/demo/";
        inputs.installBinDirectory = "/usr/bin";
        inputs.xdgConfigHome = "/cfg";
        inputs.xdgStateHome = c.xdgStateHome;
        inputs.home = c.home;
        inputs.isWritable = [&](const std::string&) { return c.writable; };
        const t_readout_part_folder folder = ChooseReadoutPartFolder(inputs);
        EXPECT_EQ(folder.directory, c.expected.directory);
        EXPECT_EQ(folder.top, c.expected.top);
        EXPECT_EQ(folder.home, c.expected.home);
    }

    // The environment of this process, for an installed program.
    const char* savedHome = std::getenv("HOME");
    const char* savedState = std::getenv("XDG_STATE_HOME");
    const std::string home = savedHome != nullptr ? savedHome : "";
    const std::string state = savedState != nullptr ? savedState : "";
    setenv("HOME", "/home/t", 1);
    const struct {
        const char* value; // nullptr: unset
        const char* expected;
    } environments[] = {
        {nullptr, "/home/t/.local/state/re2-terminal/"},
        {"", "/home/t/.local/state/re2-terminal/"},
        {"st", "/home/t/.local/state/re2-terminal/"},
        {"/st", "/st/re2-terminal/"},
    };
    for (const auto& e : environments) {
        if (e.value != nullptr) {
            setenv("XDG_STATE_HOME", e.value, 1);
        } else {
            unsetenv("XDG_STATE_HOME");
        }
        EXPECT_EQ(ReadoutPartFolderOf(InstallBinDirectory()).directory, e.expected)
            << (e.value != nullptr ? e.value : "unset");
    }
    savedHome != nullptr ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
    savedState != nullptr ? setenv("XDG_STATE_HOME", state.c_str(), 1) : unsetenv("XDG_STATE_HOME");
}

} // namespace
