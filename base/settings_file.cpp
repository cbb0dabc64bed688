#include "base/settings_file.h"

#include "base/atomic_file.h"
#include "base/byte_order.h"
#include "base/descriptor_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ParseSettings(const std::uint8_t* bytes, std::size_t n, SettingsRecord& settings) {
    if (bytes == nullptr || n < settings::kSettingsFileSize) {
        return false;
    }
    settings.portNumber = ReadI32LE(bytes, n, 0);
    settings.baudRate = ReadI32LE(bytes, n, 4);
    settings.deviceAddress = ReadI32LE(bytes, n, 8);
    return true;
}

void EncodeSettings(const SettingsRecord& settings, std::uint8_t out[settings::kSettingsFileSize]) {
    WriteI32LE(out, settings::kSettingsFileSize, 0, settings.portNumber);
    WriteI32LE(out, settings::kSettingsFileSize, 4, settings.baudRate);
    WriteI32LE(out, settings::kSettingsFileSize, 8, settings.deviceAddress);
}

bool ReadSettingsFile(const std::string& path, SettingsRecord& settings) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return false;
    }
    std::uint8_t bytes[settings::kSettingsFileSize];
    // A read that fails part-way keeps what came before it, as a short file would.
    const ssize_t got = ReadUpTo(fd, bytes, sizeof bytes);
    ::close(fd);
    return ParseSettings(bytes, got > 0 ? static_cast<std::size_t>(got) : 0, settings);
}

bool WriteSettingsFile(const std::string& path, const SettingsRecord& settings) {
    std::uint8_t bytes[settings::kSettingsFileSize];
    EncodeSettings(settings, bytes);
    return WriteFileAtomically(path, bytes, sizeof bytes);
}
