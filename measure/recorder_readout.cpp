// "Odczyt pomiarów": needs no window. The device is named first (command 33 and the factory
// number of block 2, read in passing), because its cut readout is found by that name.
#include "base/byte_order.h"
#include "base/steady_time.h"
#include "base/text_format.h"
#include "base/win1250.h"
#include "device/configuration_record.h"
#include "device/device_exchange.h"
#include "device/device_replies.h"
#include "device/device_session.h"
#include "link/block_transfer.h"
#include "link/protocol.h"
#include "link/transfer_data.h"
#include "measure/measure_operations.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

// A recorder's memory ends its recording with this byte; what follows is older.
constexpr std::uint8_t kEndMarker = 0xFF;

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::string LocalTimeText(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    char stamp[32] = "";
    if (localtime_r(&t, &local) != nullptr) {
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    }
    return stamp;
}

// The device's identity: name and version of command 33 (the name as the reply's
// Windows-1250 bytes up to its zero byte), factory number of block 2.
bool ReadIdentity(CDeviceSession& session, int deviceAddress, t_readout_identity& identity) {
    const t_transfer_data* reply = session.Exchange(protocol::kCmdReadVersions, nullptr, 0);
    const std::size_t size = reply != nullptr ? ReplyDataLength(*reply) : 0;
    if (size < 1) {
        return false;
    }
    identity.address = static_cast<std::uint8_t>(deviceAddress);
    identity.version = reply->data[0];
    const std::uint8_t* name = reply->data + 1;
    const std::size_t limit = std::min(size - 1, kPartNameMaxBytes);
    identity.name.assign(name, std::find(name, name + limit, std::uint8_t{0}));
    std::uint8_t block[protocol::kConfigurationSize];
    if (!session.ReadBlockQuietly(protocol::kBlockConfiguration, block)) {
        return false;
    }
    t_configuration_record configuration;
    configuration.Load(block, sizeof block);
    identity.factoryNumber = configuration.FactoryNumber();
    return true;
}

// Reads the recorder bytes [address, address + count) with single exchanges, as many tries
// as a block read gives a chunk. False when none gave them.
bool ReadChunk(CDeviceSession& session, std::uint32_t address, std::uint32_t count,
               std::uint8_t* out) {
    std::uint8_t request[protocol::kChunkHeader] = {};
    WriteU32LE(request, sizeof request, 0,
               protocol::BlockAddress(protocol::kBlockRecorder) + address);
    request[4] = static_cast<std::uint8_t>(count);
    for (int i = 0; i < CBlockTransfer::kMaxReadTries; ++i) {
        const t_transfer_data* reply =
            session.Exchange(protocol::kCmdReadChunk, request, sizeof request);
        if (reply == nullptr) {
            continue;
        }
        const std::size_t carried = ReplyDataLength(*reply);
        if (carried >= protocol::kChunkHeader && reply->data[4] == count &&
            protocol::kChunkHeader + count <= carried) {
            std::memcpy(out, reply->data + protocol::kChunkHeader, count);
            return true;
        }
    }
    return false;
}

enum class Join { Same, Changed, NoAnswer };

// Whether the device still holds what the part holds where the readout goes on: the chunk
// with the end marker (the device records after it) and the last chunk held.
Join CheckJoin(CDeviceSession& session, const std::vector<std::uint8_t>& held) {
    const std::uint32_t size = static_cast<std::uint32_t>(held.size());
    std::vector<std::uint32_t> chunks;
    const auto marker = std::find(held.begin(), held.end(), kEndMarker);
    if (marker != held.end()) {
        chunks.push_back(static_cast<std::uint32_t>(marker - held.begin()) / protocol::kChunkData);
    }
    const std::uint32_t last = (size - 1) / protocol::kChunkData;
    if (chunks.empty() || chunks.front() != last) {
        chunks.push_back(last);
    }
    std::uint8_t bytes[protocol::kChunkData];
    for (std::uint32_t chunk : chunks) {
        const std::uint32_t address = chunk * protocol::kChunkData;
        const std::uint32_t count = std::min<std::uint32_t>(protocol::kChunkData, size - address);
        if (!ReadChunk(session, address, count, bytes)) {
            return Join::NoAnswer;
        }
        if (std::memcmp(bytes, held.data() + address, count) != 0) {
            return Join::Changed;
        }
    }
    return Join::Same;
}

// A readout of the recorder this device can continue: a fresh part of the same identity
// with bytes in it and not yet all of them.
bool FindCut(const std::string& path, const t_readout_identity& identity, std::int64_t now,
             t_readout_part& found) {
    return ReadReadoutPart(path, found) && found.identity == identity &&
           IsReadoutPartFresh(found.cutTime, now) && !found.bytes.empty() &&
           found.bytes.size() < protocol::kRecorderSize;
}

std::string ReadoutSource(std::int64_t start) {
    return "odczyt z urządzenia " + LocalTimeText(start);
}

} // namespace

t_recorder_readout ReadRecorderMemory(CDeviceSession& session, CutReadout cut, bool removePart) {
    t_recorder_readout result;
    result.startTime = Now();
    session.ConsoleWrite("Odczyt rejestratora", 1);
    t_readout_identity& identity = result.identity;
    // The address the frames carry, as the link settings give it: the part belongs to the
    // device at that address.
    if (!ReadIdentity(session, session.DeviceAddress(), identity)) {
        ShowNoAnswer(session);
        return result;
    }
    session.ConsoleWrite(
        Format("Urządzenie %s",
               Win1250ToUtf8(reinterpret_cast<const std::uint8_t*>(identity.name.data()),
                             identity.name.size())
                   .c_str()) +
            FormatVersionSuffix(identity.version) +
            Format(", nr fabryczny %u", static_cast<unsigned>(identity.factoryNumber)),
        1);

    const std::string directory = session.ReadoutPartDirectory();
    RemoveStaleReadoutParts(directory, result.startTime);
    result.partPath = ReadoutPartPath(directory, identity.factoryNumber);

    std::vector<std::uint8_t> memory(protocol::kRecorderSize);
    CReadoutPartWriter part;
    std::uint32_t held = 0;
    t_readout_part found;
    if (cut != CutReadout::Restart && FindCut(result.partPath, identity, result.startTime, found)) {
        const bool take =
            cut == CutReadout::Continue ||
            session.AskYesNo(Format("Dokończyć przerwany odczyt z %s? Odczytano %d z %d B.",
                                    LocalTimeText(found.cutTime).c_str(),
                                    static_cast<int>(found.bytes.size()),
                                    static_cast<int>(protocol::kRecorderSize)));
        if (take) {
            switch (CheckJoin(session, found.bytes)) {
            case Join::Same:
                if (part.Continue(result.partPath, identity, found)) {
                    held = static_cast<std::uint32_t>(found.bytes.size());
                    std::memcpy(memory.data(), found.bytes.data(), held);
                    session.ConsoleWrite(Format("Dalszy odczyt od bajtu %u", held), 1);
                }
                break;
            case Join::Changed:
                session.ConsoleWrite(
                    "Urządzenie zapisało nowe pomiary od przerwania odczytu: odczyt od początku",
                    1);
                break;
            case Join::NoAnswer:
                ShowNoAnswer(session);
                return result;
            }
        }
    }
    if (held == 0) {
        // Without a part the readout still runs; only a cut would then cost it all.
        if (!MakeReadoutPartDirectory(directory) || !part.Create(result.partPath, identity)) {
            session.ConsoleWrite("Nie można zapisać części odczytu " + result.partPath, 1);
        }
    }

    const bool read = session.ReadBlockFrom(
        protocol::kBlockRecorder, held, memory.data(),
        [&part](std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count) {
            if (part.IsOpen() && !part.Failed()) {
                part.Append(offset, bytes, count, SteadyMs());
            }
        });
    if (!read) {
        // Kept for the next readout: what came so far, and when it was cut.
        if (part.IsOpen()) {
            part.End(Now());
        }
        return result;
    }
    std::memcpy(session.MemoryImage(), memory.data(), memory.size());
    session.SetImageSource(ReadoutSource(result.startTime));
    result.complete = true;
    if (removePart) {
        part.End(Now());
        RemoveReadoutPart(result.partPath);
    } else {
        part.Flush();
    }
    return result;
}

void ReadRecorder(CDeviceSession& session) {
    ReadRecorderMemory(session, CutReadout::Ask, true);
}
