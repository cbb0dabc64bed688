#pragma once
// The settings file config.cfg: port number, baud rate and device address as three
// little-endian 32-bit integers, 12 bytes, nothing else.

#include <cstddef>
#include <cstdint>
#include <string>

namespace settings {
constexpr std::size_t kSettingsFileSize = 12;
constexpr int kDefaultPort = 1;
constexpr int kDefaultBaud = 57600;
constexpr int kDefaultDeviceAddress = 31; // the device's factory address
} // namespace settings

struct SettingsRecord {
    std::int32_t portNumber = settings::kDefaultPort;
    std::int32_t baudRate = settings::kDefaultBaud;
    std::int32_t deviceAddress = settings::kDefaultDeviceAddress;
};

// True only when at least 12 bytes are given; bytes after the twelfth are ignored.
bool ParseSettings(const std::uint8_t* bytes, std::size_t n, SettingsRecord& settings);
// The 12 bytes of the file.
void EncodeSettings(const SettingsRecord& settings, std::uint8_t out[settings::kSettingsFileSize]);

// False (settings untouched) when the file cannot be opened, is a directory or is shorter
// than 12 bytes. Reads no more than the record.
bool ReadSettingsFile(const std::string& path, SettingsRecord& settings);
// Saves the 12 bytes as WriteFileAtomically does: false when the file cannot be written,
// which then keeps its bytes unless it is one of the files written in place.
bool WriteSettingsFile(const std::string& path, const SettingsRecord& settings);
