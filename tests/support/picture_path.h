#pragma once
// Where tests put the windows they render for a look.

#include <filesystem>
#include <string>
#include <unistd.h>

// <temporary directory>/re2-pictures-<user id>/<name>; the directory is made on first use.
// One directory a user, so that the pictures of a root run do not block a later run as a
// normal user (a sticky /tmp does not let one user replace another's files).
inline std::string PicturePath(const std::string& name) {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("re2-pictures-" + std::to_string(getuid()));
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    return (directory / name).string();
}
