#include "base/folder_entries.h"

#include <algorithm>
#include <dirent.h>

std::vector<std::string> FolderEntries(const std::string& directory,
                                       const std::function<bool(const std::string&)>& fits) {
    std::vector<std::string> paths;
    DIR* folder = ::opendir(directory.empty() ? "." : directory.c_str());
    if (folder == nullptr) {
        return paths;
    }
    const std::string prefix =
        directory.empty() || directory.back() == '/' ? directory : directory + "/";
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (fits(name)) {
            paths.push_back(prefix + name);
        }
    }
    ::closedir(folder);
    std::sort(paths.begin(), paths.end());
    return paths;
}
