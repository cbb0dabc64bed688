#include "base/readout_part_folder.h"

#include "base/system_error_text.h"
#include "base/text_format.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kStateFolder[] = ".local/state";
constexpr char kPartFolderName[] = "re2-terminal/";
constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

std::string Joined(const std::string& base, const char* name) {
    return base + (base == "/" ? "" : "/") + name;
}

// True when path lies inside folder, or is it (both without trailing slashes).
bool LiesIn(const std::string& path, const std::string& folder) {
    if (folder == "/") {
        return true;
    }
    return path == folder || (path.starts_with(folder) && path[folder.size()] == '/');
}

std::string SystemReason(const std::string& what) {
    return what + ": " + SystemErrorText(errno);
}

// Why the folder may not hold parts; empty when it may.
std::string FolderProblem(const std::string& folder) {
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0) {
        return SystemReason("folder " + folder);
    }
    if (!S_ISDIR(info.st_mode)) {
        return Format("%s nie jest folderem", folder.c_str());
    }
    if (info.st_uid != ::geteuid()) {
        return Format("folder %s należy do innego użytkownika", folder.c_str());
    }
    if ((info.st_mode & kWritableByOthers) != 0) {
        return Format("folder %s mogą zmieniać inni użytkownicy", folder.c_str());
    }
    return "";
}

std::string Parent(const std::string& folder) {
    const std::size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos) {
        return "";
    }
    return slash == 0 ? "/" : folder.substr(0, slash);
}

} // namespace

t_readout_part_folder ChooseReadoutPartFolder(const t_settings_folder_inputs& inputs) {
    t_readout_part_folder folder;
    folder.directory = folder.top = inputs.programDirectory;
    if (IsPortableCopy(inputs)) {
        return folder;
    }
    std::string state;
    if (IsAbsolute(inputs.xdgStateHome)) {
        state = WithoutTrailingSlashes(inputs.xdgStateHome);
    } else if (IsAbsolute(inputs.home)) {
        state = Joined(WithoutTrailingSlashes(inputs.home), kStateFolder);
    } else {
        return folder;
    }
    folder.directory = Joined(state, kPartFolderName);
    folder.top = state;
    const std::string home = IsAbsolute(inputs.home) ? WithoutTrailingSlashes(inputs.home) : "";
    folder.home = !home.empty() && LiesIn(state, home) ? home : "";
    return folder;
}

t_readout_part_folder ReadoutPartFolderOf(const std::string& programDirectory) {
    return ChooseReadoutPartFolder(SettingsFolderInputsOf(programDirectory));
}

std::string PrepareReadoutPartFolder(const t_readout_part_folder& folder) {
    if (!folder.home.empty()) {
        struct stat info;
        if (::stat(folder.home.c_str(), &info) != 0) {
            return SystemReason("katalog domowy " + folder.home);
        }
        if (info.st_uid != ::geteuid()) {
            return Format("katalog domowy %s należy do innego użytkownika", folder.home.c_str());
        }
    }
    if (!MakeSettingsDirectory(folder.directory)) {
        return SystemReason("folder " + folder.directory);
    }
    const std::string top = folder.top.empty() ? "." : WithoutTrailingSlashes(folder.top);
    std::string current = folder.directory.empty() ? "." : WithoutTrailingSlashes(folder.directory);
    // From the parts' own folder up to the top one; a top the folder does not lie in (it
    // cannot be, as chosen above) ends the walk at the folder itself.
    const bool walk = LiesIn(current, top);
    for (;;) {
        if (std::string problem = FolderProblem(current); !problem.empty()) {
            return problem;
        }
        if (!walk || current == top) {
            return "";
        }
        const std::string parent = Parent(current);
        if (parent.empty() || parent == current) {
            return "";
        }
        current = parent;
    }
}

std::string ReadoutPartFileProblem(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? "" : SystemReason(path);
    }
    if (!S_ISREG(info.st_mode)) {
        return "to nie jest zwykły plik";
    }
    if (info.st_uid != ::geteuid()) {
        return "plik należy do innego użytkownika";
    }
    if ((info.st_mode & kWritableByOthers) != 0) {
        return "plik mogą zmieniać inni użytkownicy";
    }
    return "";
}
