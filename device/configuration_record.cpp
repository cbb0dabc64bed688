#include "device/configuration_record.h"

#include "base/win1250.h"

#include <algorithm>
#include <vector>

std::string ReadDescription(const std::uint8_t* record, std::size_t size, std::size_t offset) {
    if (!FitsIn(size, offset, kDescriptionField)) {
        return std::string();
    }
    return Win1250ToUtf8Z(record + offset, kDescriptionField);
}

void WriteDescription(std::uint8_t* record, std::size_t size, std::size_t offset,
                      const std::string& text) {
    if (!FitsIn(size, offset, kDescriptionField)) {
        return;
    }
    std::fill_n(record + offset, kDescriptionField, 0);
    const std::vector<std::uint8_t> bytes = Utf8ToWin1250(text);
    const std::size_t n = std::min(bytes.size(), kDescriptionMaxChars);
    std::copy_n(bytes.begin(), n, record + offset);
}
