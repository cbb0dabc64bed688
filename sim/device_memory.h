#pragma once
// The simulated device's memory: the recorder ring at memory address 0 and the settings
// area (blocks 2 to 5, back to back) from protocol::kSettingsBase.
//
// Chunk writes from the line go into the settings area: straight through, as the device
// writes them, or into a staging copy that only closing the block write applies to the
// memory that chunk reads see. The recorder is written by the device itself only: chunk
// writes into it are refused either way.

#include "link/protocol.h"

#include "base/device_time.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class DeviceMemory {
public:
    static constexpr std::size_t kSettingsSize = 333;

    DeviceMemory();

    // Copies up to count bytes from address into out and gives how many were copied: the
    // copy stops at the end of the region that holds address; 0 outside memory.
    std::size_t Read(std::uint32_t address, std::size_t count, std::uint8_t* out) const;
    std::vector<std::uint8_t> Bytes(std::uint32_t address, std::size_t count) const;

    // Writes straight into memory, bypassing the staging copy; false (nothing written)
    // unless all bytes lie inside one region.
    bool Write(std::uint32_t address, const std::uint8_t* data, std::size_t count);
    bool Write(std::uint32_t address, const std::vector<std::uint8_t>& data) {
        return Write(address, data.data(), data.size());
    }

    // Writes a chunk through to the settings area; false (nothing written) unless all bytes
    // lie inside it.
    bool WriteSettings(std::uint32_t address, const std::uint8_t* data, std::size_t count);

    // Stages a chunk; false (nothing staged) unless all bytes lie inside the settings area.
    bool Stage(std::uint32_t address, const std::uint8_t* data, std::size_t count);
    // Applies the staged bytes that lie inside the block to memory; other staged bytes
    // stay staged. Unknown blocks and the recorder apply nothing. Gives the bytes applied.
    std::size_t Commit(int blockId);
    void DiscardStaged();
    std::size_t StagedCount() const;

    // The device records: bytes go into the recorder from its end marker (the one decoding
    // stops at; else its first 0xFF; address 0 when it has none) on, wrapping at the ring's
    // end, and a new end marker follows them. Gives the new end marker's address.
    std::uint32_t RecordOn(const std::vector<std::uint8_t>& bytes);
    // A run of `seconds` samples, one a second, as the device records it: a start marker,
    // the start time, then speed and position groups (seed picks them). Gives the new end
    // marker's address.
    std::uint32_t Record(int seconds, const t_device_time& start, std::uint32_t seed = 1);
    // As a flash device that erases ahead of its writing: from the end marker to the end of
    // its 4 KiB sector every byte reads 0xFF.
    void EraseAheadOfEndMarker();

    std::vector<std::uint8_t>& Recorder() { return m_recorder; }
    const std::vector<std::uint8_t>& Recorder() const { return m_recorder; }
    std::array<std::uint8_t, kSettingsSize>& Settings() { return m_settings; }
    const std::array<std::uint8_t, kSettingsSize>& Settings() const { return m_settings; }

private:
    std::vector<std::uint8_t> m_recorder;
    std::array<std::uint8_t, kSettingsSize> m_settings{};
    std::array<std::uint8_t, kSettingsSize> m_staged{};
    std::array<bool, kSettingsSize> m_dirty{};
};
