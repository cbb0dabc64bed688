// Where re2-device takes its link from: the options over the settings folder's config.cfg
// over the terminal's defaults, and the folder that config.cfg is looked up in.
#include "base/settings_file.h"
#include "cli/device_cli_config.h"
#include "cli/device_cli_options.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DeviceCliConfig, TheFolderIsTheOneGivenWithItsSlashElseTheTerminalsOwn) {
    TemporaryDirectory program;
    const std::string programDirectory = program.Path() + "/";
    const struct {
        const char* configDirectory;
        std::string folder;
    } cases[] = {
        {"/etc/re2", "/etc/re2/"},
        {"/etc/re2/", "/etc/re2/"},
        {"relative", "relative/"},
        // The terminal's rule for the same program folder: a copy in a folder its user can
        // write keeps its config.cfg beside itself.
        {"", programDirectory},
    };
    for (const auto& c : cases) {
        t_device_cli_options options;
        options.configDirectory = c.configDirectory;
        EXPECT_EQ(CliSettingsDirectory(options, programDirectory), c.folder) << c.configDirectory;
    }
}

TEST(DeviceCliConfig, OptionsOverConfigFileOverDefaults) {
    constexpr int kDefaultPort = settings::kDefaultPort;
    constexpr int kDefaultBaud = settings::kDefaultBaud;
    constexpr int kDefaultAddress = settings::kDefaultDeviceAddress;
    const struct {
        const char* name;
        bool configFile; // config.cfg holds COM4, 19200 Bd, address 7
        const char* port;
        int baudRate;
        int deviceAddress;
        int portNumber;
        const char* path;
        int baud;
        int address;
    } cases[] = {
        {"no file, no options: the defaults", false, "", 0, -1, kDefaultPort, "", kDefaultBaud,
         kDefaultAddress},
        {"the file", true, "", 0, -1, 4, "", 19200, 7},
        {"COMn over the file, any case", true, "com12", 0, -1, 12, "", 19200, 7},
        {"a path as it is", true, "/dev/ttyUSB0", 0, -1, 0, "/dev/ttyUSB0", 19200, 7},
        {"a name with a slash is a path", true, "COM1/x", 0, -1, 0, "COM1/x", 19200, 7},
        {"speed and address over the file, address 0 too", true, "", 115200, 0, 4, "", 115200, 0},
        {"options over the defaults", false, "COM255", 9600, 31, 255, "", 9600, 31},
    };
    for (const auto& c : cases) {
        TemporaryDirectory folder;
        const std::string directory = folder.Path() + "/";
        if (c.configFile) {
            ASSERT_TRUE(WriteSettingsFile(directory + "config.cfg", SettingsRecord{4, 19200, 7}));
        }
        t_device_cli_options options;
        options.port = c.port;
        options.baudRate = c.baudRate;
        options.deviceAddress = c.deviceAddress;
        t_cli_link link;
        std::string error;
        ASSERT_TRUE(ResolveCliLink(options, directory, link, error)) << c.name;
        EXPECT_EQ(link.port.portNumber, c.portNumber) << c.name;
        EXPECT_EQ(link.port.path, c.path) << c.name;
        EXPECT_EQ(link.baudRate, c.baud) << c.name;
        EXPECT_EQ(link.deviceAddress, c.address) << c.name;
        // The "COMn" links are looked up beside config.cfg.
        EXPECT_EQ(link.linkDirectory, directory) << c.name;
        EXPECT_TRUE(error.empty()) << c.name;
    }
}

TEST(DeviceCliConfig, APortTextThatIsNoPortIsRefusedWithItsName) {
    for (const char* port : {"COM0", "COM256", "COM", "COMx", "COM007", "com1a"}) {
        t_device_cli_options options;
        options.port = port;
        t_cli_link link;
        std::string error;
        EXPECT_FALSE(ResolveCliLink(options, "/nonexistent/", link, error)) << port;
        EXPECT_NE(error.find(std::string("'") + port + "'"), std::string::npos) << error;
    }
}

} // namespace
