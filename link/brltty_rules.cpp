#include "link/brltty_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace fs = std::filesystem;

namespace {

// USB vendor ids of the serial adapter chips: FTDI, Prolific, Silicon Labs (CP210x),
// QinHeng (CH340/CH341).
constexpr std::uint32_t kUsbSerialVendorIds[] = {0x0403, 0x067b, 0x10c4, 0x1a86};
// What a rule matches the USB device's vendor on: udev's PRODUCT value "vvvv/pppp/bcd"
// (hex without leading zeros) and the idVendor attribute.
constexpr const char* kVendorMatches[] = {"ENV{PRODUCT}==\"", "ATTRS{idVendor}==\"",
                                          "ATTR{idVendor}==\""};
// udev's rules folders, the one that wins a name first.
constexpr const char* kRulesFolders[] = {"etc/udev/rules.d", "run/udev/rules.d",
                                         "usr/lib/udev/rules.d", "lib/udev/rules.d"};
// More than any rules file holds; a longer file is read that far.
constexpr std::size_t kMaxRulesBytes = 1024 * 1024;

bool IsUsbSerialVendor(const std::string& text, std::size_t at) {
    std::uint32_t vendor = 0;
    std::size_t digits = 0;
    for (; at < text.size() && digits < 4 && std::isxdigit(static_cast<unsigned char>(text[at]));
         ++at, ++digits) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
        vendor = vendor * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    // The vendor ends at the product's '/' or the value's closing quote; "10c4*" is no
    // exact vendor.
    if (digits == 0 || at >= text.size() || (text[at] != '/' && text[at] != '"')) {
        return false;
    }
    return std::find(std::begin(kUsbSerialVendorIds), std::end(kUsbSerialVendorIds), vendor) !=
           std::end(kUsbSerialVendorIds);
}

bool LineClaimsUsbSerial(const std::string& line) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') {
        return false;
    }
    for (const char* match : kVendorMatches) {
        const std::string key(match);
        for (std::size_t at = line.find(key); at != std::string::npos;
             at = line.find(key, at + 1)) {
            if (IsUsbSerialVendor(line, at + key.size())) {
                return true;
            }
        }
    }
    return false;
}

// Only a regular file is read: /dev/null in its place is rules switched off, and a FIFO
// would never end.
std::string ReadBounded(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(kMaxRulesBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return text;
}

} // namespace

bool RulesClaimUsbSerial(const std::string& rules) {
    std::size_t start = 0;
    while (start < rules.size()) {
        std::size_t end = rules.find('\n', start);
        if (end == std::string::npos) {
            end = rules.size();
        }
        if (LineClaimsUsbSerial(rules.substr(start, end - start))) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool BrlttyClaimsUsbSerial(const std::string& root) {
    const fs::path top = root.empty() ? fs::path("/") : fs::path(root);
    std::map<std::string, fs::path> files; // name -> the file udev reads under that name
    for (const char* folder : kRulesFolders) {
        std::error_code error;
        for (fs::directory_iterator it(top / folder, error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (name.find("brltty") != std::string::npos && it->path().extension() == ".rules") {
                files.emplace(name, it->path());
            }
        }
    }
    return std::any_of(files.begin(), files.end(), [](const auto& file) {
        return RulesClaimUsbSerial(ReadBounded(file.second));
    });
}
