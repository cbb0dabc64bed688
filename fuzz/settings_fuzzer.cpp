// Settings from arbitrary bytes, in memory and now and then through a file.

#include "base/settings_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SettingsRecord parsed;
    const bool ok = ParseSettings(data, size, parsed);
    if (ok != (size >= settings::kSettingsFileSize)) {
        std::abort();
    }
    // A file costs far more than a parse: only one input in sixteen goes through one.
    if (size == 0 || data[0] % 16 != 0) {
        return 0;
    }
    static const std::string path = "/tmp/re2_settings_fuzz_" + std::to_string(getpid());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    SettingsRecord read;
    const bool fromFile = ReadSettingsFile(path, read);
    if (fromFile != ok ||
        (ok && (read.portNumber != parsed.portNumber || read.baudRate != parsed.baudRate ||
                read.deviceAddress != parsed.deviceAddress))) {
        std::abort();
    }
    std::remove(path.c_str());
    return 0;
}
