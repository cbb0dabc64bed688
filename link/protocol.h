#pragma once
// Constants of the serial protocol between the terminal and the device.
// Every number of the line protocol lives here, once.

#include <cstddef>
#include <cstdint>

namespace protocol {

// Frame layout: ":" then hexadecimal bytes L, address/type, command, data..., checksum.
constexpr std::size_t kMaxData = 62;          // data bytes one frame can carry
constexpr std::size_t kHeaderBytes = 3;       // L, address/type, command
constexpr std::size_t kFrameBufferSize = 66;  // L + address/type + command + 62 data + checksum
constexpr std::size_t kMaxEncodedFrame = 135; // LF CR ':' + 2 * (66) digits
constexpr char kStartChar = ':';

// Message types (low three bits of the address/type byte).
constexpr std::uint8_t kTypeNoReply = 0; // to the device: no reply; from it: a console text line
constexpr std::uint8_t kTypeReply = 1;   // one reply expected / the reply
constexpr std::uint8_t kTypeMoreReplies = 2;

constexpr std::uint8_t kAddressMask = 31; // the frame keeps five bits of the device address

// Device commands.
constexpr std::uint8_t kCmdReset = 0;
constexpr std::uint8_t kCmdReadVersions = 33;
constexpr std::uint8_t kCmdLiveStatus = 34;
constexpr std::uint8_t kCmdReadClock = 37;
constexpr std::uint8_t kCmdSetClock = 38;
constexpr std::uint8_t kCmdWriteChunk = 39;
constexpr std::uint8_t kCmdReadChunk = 40;
constexpr std::uint8_t kCmdCloseWrite = 41;
constexpr std::uint8_t kCmdWriteStatistics = 46;
constexpr std::uint8_t kCmdReadStatistics = 47;
constexpr std::uint8_t kCmdSetPosition = 48;
constexpr std::uint8_t kCmdReadPosition = 49;

// Reserved command codes ('d', 'e', 'f'): the device never uses them, so a frame that
// carries one is noise that passed the checksum, never a device reply.
constexpr std::uint8_t kReservedCommandFirst = 100;
constexpr std::uint8_t kReservedCommandLast = 102;
constexpr bool IsReservedCommand(std::uint8_t command) {
    return command >= kReservedCommandFirst && command <= kReservedCommandLast;
}

// Timing.
constexpr int kReplyTimeoutMs = 1500;
constexpr int kStatusPollMs = 1000;
constexpr int kWriteTimeoutMs = 5000;

// Memory blocks.
constexpr std::size_t kChunkData = 57;         // memory bytes per chunk request
constexpr std::size_t kChunkHeader = 5;        // memory address (4) + count (1)
constexpr std::size_t kRecorderSize = 0x74000; // 475,136 bytes
// The recorder's ring: a run opens with the start marker, the newest run is followed by the
// end marker; no data byte takes either value.
constexpr std::uint8_t kRecorderStartMarker = 0xFE;
constexpr std::uint8_t kRecorderEndMarker = 0xFF;
constexpr std::uint32_t kSettingsBase = 0x100000;

constexpr int kBlockRecorder = 0; // block id of the recorder memory

// Sizes of device records.
constexpr std::size_t kLiveStatusSize = 20;
constexpr std::size_t kDeviceTimeSize = 7;
constexpr std::size_t kPositionSize = 4;
constexpr std::size_t kStatisticsSize = 42;
constexpr std::size_t kConfigurationSize = 50;
constexpr std::size_t kInspectionsSize = 118;
constexpr std::size_t kRelaysSize = 140;
constexpr std::size_t kProgrammerSize = 25;

// The settings records lie one after another from kSettingsBase.
constexpr std::uint32_t kConfigurationAddress = kSettingsBase;
constexpr std::uint32_t kInspectionsAddress = kConfigurationAddress + kConfigurationSize;
constexpr std::uint32_t kRelaysAddress = kInspectionsAddress + kInspectionsSize;
constexpr std::uint32_t kProgrammerAddress = kRelaysAddress + kRelaysSize;
static_assert(kInspectionsAddress == 0x100032 && kRelaysAddress == 0x1000A8 &&
              kProgrammerAddress == 0x100134);

// Block ids of the settings records.
constexpr int kBlockConfiguration = 2;
constexpr int kBlockInspections = 3;
constexpr int kBlockRelays = 4;
constexpr int kBlockProgrammer = 5;

struct BlockInfo {
    std::uint32_t address;
    std::uint32_t size;
};
// Memory address and size of a block id; unknown ids are {0, 0}.
constexpr BlockInfo BlockTable(int id) {
    switch (id) {
    case kBlockRecorder:
    case 1:
        return {0, static_cast<std::uint32_t>(kRecorderSize)};
    case kBlockConfiguration:
        return {kConfigurationAddress, kConfigurationSize};
    case kBlockInspections:
        return {kInspectionsAddress, kInspectionsSize};
    case kBlockRelays:
        return {kRelaysAddress, kRelaysSize};
    case kBlockProgrammer:
        return {kProgrammerAddress, kProgrammerSize};
    default:
        return {0, 0};
    }
}
constexpr std::uint32_t BlockAddress(int id) {
    return BlockTable(id).address;
}
constexpr std::uint32_t BlockSize(int id) {
    return BlockTable(id).size;
}

} // namespace protocol
