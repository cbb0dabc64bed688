#include "cli/device_cli_config.h"

#include "base/settings_file.h"
#include "base/settings_folder.h"
#include "cli/device_cli_options.h"
#include "link/transfer.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr char kSettingsFileName[] = "config.cfg";

} // namespace

std::string OwnProgramDirectory() {
    char buffer[PATH_MAX];
    std::string path;
    if (realpath("/proc/self/exe", buffer) != nullptr) {
        path = buffer;
    }
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string CliSettingsDirectory(const t_device_cli_options& options,
                                 const std::string& programDirectory) {
    if (!options.configDirectory.empty()) {
        const std::string& d = options.configDirectory;
        return d.back() == '/' ? d : d + "/";
    }
    return SettingsDirectoryOf(programDirectory);
}

bool ResolveCliLink(const t_device_cli_options& options, const std::string& settingsDirectory,
                    t_cli_link& link, std::string& error) {
    // A missing or short config.cfg leaves the defaults, as it does for the window.
    SettingsRecord record;
    ReadSettingsFile(settingsDirectory + kSettingsFileName, record);
    link.linkDirectory = settingsDirectory;
    link.baudRate = options.baudRate > 0 ? options.baudRate : record.baudRate;
    // Only a readout has a part to go on from after a pulled adapter; any other command
    // fails at once, as a write must.
    if (options.command == DeviceCommand::Readout) {
        link.portWaitMs = static_cast<int>(
            options.waitPortSeconds >= 0 ? options.waitPortSeconds * 1000 : kPortWaitMs);
    }
    link.deviceAddress = options.deviceAddress >= 0 ? options.deviceAddress : record.deviceAddress;
    if (!options.port.empty()) {
        if (!ParseCliPort(options.port, link.port)) {
            error = "zły port '" + options.port + "' (COM1..COM255 albo ścieżka urządzenia)";
            return false;
        }
    } else {
        link.port = t_cli_port{record.portNumber, {}};
    }
    return true;
}
