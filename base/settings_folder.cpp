#include "base/settings_folder.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef RE2_INSTALL_BINDIR
#define RE2_INSTALL_BINDIR "/usr/local/bin"
#endif

namespace {

constexpr char kConfigFolderName[] = "re2-terminal/";

std::string HomeFromUserDatabase() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr) {
        return {};
    }
    return found->pw_dir;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : std::string();
}

} // namespace

std::string WithoutTrailingSlashes(std::string directory) {
    while (directory.size() > 1 && directory.back() == '/') {
        directory.pop_back();
    }
    return directory;
}

bool IsAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

bool IsPortableCopy(const t_settings_folder_inputs& inputs) {
    const std::string& program = inputs.programDirectory;
    const bool installed =
        !program.empty() &&
        WithoutTrailingSlashes(program) == WithoutTrailingSlashes(inputs.installBinDirectory);
    return !installed && inputs.isWritable && inputs.isWritable(program.empty() ? "." : program);
}

std::string ChooseSettingsDirectory(const t_settings_folder_inputs& inputs) {
    const std::string& program = inputs.programDirectory;
    if (IsPortableCopy(inputs)) {
        return program;
    }
    std::string base;
    if (IsAbsolute(inputs.xdgConfigHome)) {
        base = inputs.xdgConfigHome;
    } else if (IsAbsolute(inputs.home)) {
        base = WithoutTrailingSlashes(inputs.home) + "/.config";
    } else {
        return program;
    }
    return WithoutTrailingSlashes(base) + (base == "/" ? "" : "/") + kConfigFolderName;
}

std::string InstallBinDirectory() {
    return WithoutTrailingSlashes(RE2_INSTALL_BINDIR) + "/";
}

t_settings_folder_inputs SettingsFolderInputsOf(const std::string& programDirectory) {
    t_settings_folder_inputs inputs;
    inputs.programDirectory = programDirectory;
    inputs.installBinDirectory = InstallBinDirectory();
    inputs.xdgConfigHome = Environment("XDG_CONFIG_HOME");
    inputs.xdgStateHome = Environment("XDG_STATE_HOME");
    inputs.home = Environment("HOME");
    if (!IsAbsolute(inputs.home)) {
        inputs.home = HomeFromUserDatabase();
    }
    inputs.isWritable = [](const std::string& directory) {
        return access(directory.c_str(), W_OK | X_OK) == 0;
    };
    return inputs;
}

std::string SettingsDirectoryOf(const std::string& programDirectory) {
    return ChooseSettingsDirectory(SettingsFolderInputsOf(programDirectory));
}

bool MakeSettingsDirectory(const std::string& directory) {
    const std::string path = WithoutTrailingSlashes(directory);
    if (path.empty()) {
        return true; // the current directory
    }
    // Each component in turn, so that a missing ~/.config gets 0700 as well.
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (end == std::string::npos) {
            break;
        }
    }
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
