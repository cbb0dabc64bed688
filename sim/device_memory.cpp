#include "sim/device_memory.h"

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

std::uint32_t DeviceMemory::RecordOn(const std::vector<std::uint8_t>& bytes) {
    const std::size_t ring = m_recorder.size();
    const auto marker =
        std::find(m_recorder.begin(), m_recorder.end(), protocol::kRecorderEndMarker);
    std::size_t at =
        marker != m_recorder.end() ? static_cast<std::size_t>(marker - m_recorder.begin()) : 0;
    for (std::uint8_t b : bytes) {
        m_recorder[at] = b;
        at = (at + 1) % ring;
    }
    m_recorder[at] = protocol::kRecorderEndMarker;
    return static_cast<std::uint32_t>(at);
}
