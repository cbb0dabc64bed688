#pragma once
// Frames to and from the simulator in tests: encode requests, decode what it sends.

#include "base/settings_file.h"
#include "link/frame_codec.h"
#include "link/transfer_data.h"
#include "sim/device_simulator.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace simtest {

inline std::vector<std::uint8_t> EncodeRequest(int command,
                                               const std::vector<std::uint8_t>& data = {},
                                               int type = protocol::kTypeReply,
                                               int address = settings::kDefaultDeviceAddress) {
    t_transfer_data record;
    record.length = static_cast<std::uint8_t>(data.size());
    record.addressType = MakeAddressType(address, type);
    record.command = static_cast<std::uint8_t>(command);
    if (!data.empty()) {
        std::memcpy(record.data, data.data(), std::min(data.size(), sizeof record.data));
    }
    std::uint8_t out[protocol::kMaxEncodedFrame];
    const std::size_t n = EncodeFrame(record, out);
    return {out, out + n};
}

// Every complete, correct frame in the characters, in order.
inline std::vector<t_transfer_data> DecodeFrames(const std::vector<std::uint8_t>& chars) {
    std::vector<t_transfer_data> frames;
    std::uint8_t buffer[protocol::kFrameBufferSize];
    t_frame_receiver receiver;
    ReceiverInit(receiver, buffer);
    for (std::uint8_t c : chars) {
        t_transfer_data record;
        if (ReceiverPutChar(receiver, static_cast<char>(c)) == 1 && FrameToRecord(buffer, record)) {
            frames.push_back(record);
        }
    }
    return frames;
}

inline std::vector<std::uint8_t> TakeChars(DeviceSimulator& sim) {
    std::vector<std::uint8_t> chars;
    for (const t_sim_output& out : sim.TakeOutput()) {
        chars.insert(chars.end(), out.bytes.begin(), out.bytes.end());
    }
    return chars;
}

// Sends one request and gives the frames the device answered with.
inline std::vector<t_transfer_data> Exchange(DeviceSimulator& sim, int command,
                                             const std::vector<std::uint8_t>& data = {},
                                             int type = protocol::kTypeReply) {
    const auto request = EncodeRequest(command, data, type, sim.Address());
    sim.Receive(request.data(), request.size());
    return DecodeFrames(TakeChars(sim));
}

inline std::vector<std::uint8_t> Data(const t_transfer_data& frame) {
    return {frame.data, frame.data + frame.length};
}

inline std::vector<std::uint8_t> ChunkHeader(std::uint32_t address, std::uint8_t count) {
    return {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
            static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 24),
            count};
}

} // namespace simtest
