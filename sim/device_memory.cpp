#include "sim/device_memory.h"

#include "measure/recorder_end_marker.h"

#include <algorithm>
#include <cstring>

namespace {

// Offset of [address, address + count) inside a region of regionSize bytes at base;
// false when the range does not lie wholly inside it.
bool InRegion(std::uint32_t base, std::size_t regionSize, std::uint32_t address, std::size_t count,
              std::size_t& offset) {
    if (address < base) {
        return false;
    }
    offset = address - base;
    return offset <= regionSize && count <= regionSize - offset;
}

} // namespace

static_assert(DeviceMemory::kSettingsSize ==
              protocol::BlockAddress(5) + protocol::BlockSize(5) - protocol::kSettingsBase);

DeviceMemory::DeviceMemory() : m_recorder(protocol::kRecorderSize, 0) {}

std::size_t DeviceMemory::Read(std::uint32_t address, std::size_t count, std::uint8_t* out) const {
    const std::uint8_t* source = nullptr;
    std::size_t available = 0;
    std::size_t offset = 0;
    if (InRegion(0, m_recorder.size(), address, 1, offset)) {
        source = m_recorder.data() + offset;
        available = m_recorder.size() - offset;
    } else if (InRegion(protocol::kSettingsBase, m_settings.size(), address, 1, offset)) {
        source = m_settings.data() + offset;
        available = m_settings.size() - offset;
    }
    const std::size_t k = std::min(count, available);
    if (k > 0) {
        std::memcpy(out, source, k);
    }
    return k;
}

std::vector<std::uint8_t> DeviceMemory::Bytes(std::uint32_t address, std::size_t count) const {
    std::vector<std::uint8_t> out(count);
    out.resize(Read(address, count, out.data()));
    return out;
}

bool DeviceMemory::Write(std::uint32_t address, const std::uint8_t* data, std::size_t count) {
    std::size_t offset = 0;
    std::uint8_t* target = nullptr;
    if (InRegion(0, m_recorder.size(), address, count, offset)) {
        target = m_recorder.data() + offset;
    } else if (InRegion(protocol::kSettingsBase, m_settings.size(), address, count, offset)) {
        target = m_settings.data() + offset;
    } else {
        return false;
    }
    if (count > 0) {
        std::memcpy(target, data, count);
    }
    return true;
}

bool DeviceMemory::WriteSettings(std::uint32_t address, const std::uint8_t* data,
                                 std::size_t count) {
    std::size_t offset = 0;
    if (!InRegion(protocol::kSettingsBase, m_settings.size(), address, count, offset)) {
        return false;
    }
    std::copy(data, data + count, m_settings.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

bool DeviceMemory::Stage(std::uint32_t address, const std::uint8_t* data, std::size_t count) {
    std::size_t offset = 0;
    if (!InRegion(protocol::kSettingsBase, m_settings.size(), address, count, offset)) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        m_staged[offset + i] = data[i];
        m_dirty[offset + i] = true;
    }
    return true;
}

std::size_t DeviceMemory::Commit(int blockId) {
    const protocol::BlockInfo block = protocol::BlockTable(blockId);
    std::size_t offset = 0;
    if (block.size == 0 ||
        !InRegion(protocol::kSettingsBase, m_settings.size(), block.address, block.size, offset)) {
        return 0;
    }
    std::size_t applied = 0;
    for (std::size_t i = offset; i < offset + block.size; ++i) {
        if (m_dirty[i]) {
            m_settings[i] = m_staged[i];
            m_dirty[i] = false;
            ++applied;
        }
    }
    return applied;
}

void DeviceMemory::DiscardStaged() {
    m_dirty.fill(false);
}

std::size_t DeviceMemory::StagedCount() const {
    return static_cast<std::size_t>(std::count(m_dirty.begin(), m_dirty.end(), true));
}

namespace {

// Where the device writes on: the end marker decoding stops at, else the first 0xFF, else 0.
std::size_t WritePosition(const std::vector<std::uint8_t>& recorder) {
    if (const auto marker = RecorderEndMarker(recorder.data(), recorder.size())) {
        return *marker;
    }
    const auto first = std::find(recorder.begin(), recorder.end(), protocol::kRecorderEndMarker);
    return first != recorder.end() ? static_cast<std::size_t>(first - recorder.begin()) : 0;
}

} // namespace

std::uint32_t DeviceMemory::Record(int seconds, const t_device_time& start, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(1 + sizeof start);
    bytes[0] = protocol::kRecorderStartMarker;
    WriteDeviceTime(bytes.data(), bytes.size(), 1, start);
    // Data bytes stay below 0xFE: speed to 25.0 m/s, position in two 7-bit halves.
    std::uint32_t state = seed * 2654435761u + 1;
    unsigned position = 1000;
    for (int i = 0; i < seconds; ++i) {
        state = state * 1664525u + 1013904223u;
        const std::uint8_t speed = static_cast<std::uint8_t>((state >> 24) % 251);
        position = (position + speed / 10) % 32768;
        bytes.push_back(speed);
        bytes.push_back(static_cast<std::uint8_t>(position >> 7));
        bytes.push_back(static_cast<std::uint8_t>(position & 0x7F));
    }
    return RecordOn(bytes);
}

void DeviceMemory::EraseAheadOfEndMarker() {
    constexpr std::size_t kSector = 4096;
    const std::size_t at = WritePosition(m_recorder);
    const std::size_t end = std::min(m_recorder.size(), (at / kSector + 1) * kSector);
    std::fill(m_recorder.begin() + static_cast<std::ptrdiff_t>(at),
              m_recorder.begin() + static_cast<std::ptrdiff_t>(end), protocol::kRecorderEndMarker);
}

std::uint32_t DeviceMemory::RecordOn(const std::vector<std::uint8_t>& bytes) {
    const std::size_t ring = m_recorder.size();
    std::size_t at = WritePosition(m_recorder);
    for (std::uint8_t b : bytes) {
        m_recorder[at] = b;
        at = (at + 1) % ring;
    }
    m_recorder[at] = protocol::kRecorderEndMarker;
    return static_cast<std::uint32_t>(at);
}
