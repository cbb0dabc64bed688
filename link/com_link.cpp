#include "link/com_link.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Names the temporary link may take before one is free: another process's temporary
// links (a second terminal saving at the same moment) take the others.
constexpr int kTemporaryNameTries = 100;

std::string ComName(int portNumber) {
    return "COM" + std::to_string(portNumber);
}

std::string SystemMessage(int error) {
    char buffer[256];
    // The GNU strerror_r gives a pointer that may or may not be the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

// Makes the rename last across a power cut; a folder that cannot be opened or flushed
// still holds the new link.
void FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

t_com_link ReadComLink(const std::string& folder, int portNumber) {
    t_com_link link;
    const std::string path = folder + ComName(portNumber);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return link;
    }
    link.exists = true;
    link.isLink = S_ISLNK(info.st_mode);
    std::error_code error;
    if (link.isLink) {
        link.target = fs::read_symlink(path, error).string();
    }
    const fs::path device = fs::canonical(path, error);
    link.device = error ? std::string() : device.string();
    return link;
}

std::string PointComLink(const std::string& folder, int portNumber, const std::string& target) {
    const std::string name = ComName(portNumber);
    const std::string path = folder + name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        return name + " w " + folder + " nie jest dowiązaniem symbolicznym, nie zmieniono go";
    }
    std::string temporary;
    int error = EEXIST;
    for (int i = 0; i < kTemporaryNameTries && error == EEXIST; ++i) {
        temporary =
            folder + "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(i);
        error = ::symlink(target.c_str(), temporary.c_str()) == 0 ? 0 : errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
        ::unlink(temporary.c_str());
    }
    if (error != 0) {
        return "nie można zmienić " + path + ": " + SystemMessage(error);
    }
    FlushFolder(folder);
    return {};
}
