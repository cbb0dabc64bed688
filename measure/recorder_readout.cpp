// "Odczyt pomiarów": needs no window. The device is named first (command 33 and the factory
// number of block 2, read in passing), because its cut readout is found by that name.
#include "base/byte_order.h"
#include "base/device_time.h"
#include "base/readout_part_folder.h"
#include "base/steady_time.h"
#include "base/system_error_text.h"
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
#include "measure/readout_part.h"
#include "measure/repeat_readout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
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

// The chunks whose bytes tell whether the device recorded over what a part holds since
// its cut. The device records on from its end marker and wraps at the ring's end, so the
// bytes it changes first are those at and after the end marker, and once it wraps those
// from address 0: the chunk with the end marker and the one after it where the part holds
// them, chunk 0 where the part ends before the end marker; and the last chunk held, for a
// device that was recording when the readout was cut. In address order, each once.
std::vector<std::uint32_t> JoinChunks(const std::vector<std::uint8_t>& held) {
    const std::uint32_t size = static_cast<std::uint32_t>(held.size());
    const std::uint32_t last = (size - 1) / protocol::kChunkData;
    std::vector<std::uint32_t> chunks;
    const auto marker = std::find(held.begin(), held.end(), protocol::kRecorderEndMarker);
    if (marker != held.end()) {
        const std::uint32_t chunk =
            static_cast<std::uint32_t>(marker - held.begin()) / protocol::kChunkData;
        chunks.push_back(chunk);
        if (chunk < last) {
            chunks.push_back(chunk + 1);
        }
    } else {
        chunks.push_back(0);
    }
    chunks.push_back(last);
    std::sort(chunks.begin(), chunks.end());
    chunks.erase(std::unique(chunks.begin(), chunks.end()), chunks.end());
    return chunks;
}

// Whether the device still holds what the part holds, read again at JoinChunks.
Join CheckJoin(CDeviceSession& session, const std::vector<std::uint8_t>& held) {
    const std::uint32_t size = static_cast<std::uint32_t>(held.size());
    std::uint8_t bytes[protocol::kChunkData];
    for (std::uint32_t chunk : JoinChunks(held)) {
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
// with bytes in it. A whole one is that of a readout whose file could not be saved: taken
// once its join checks, it costs no read at all.
bool FindCut(const std::string& path, const t_readout_identity& identity, std::int64_t now,
             t_readout_part& found) {
    return ReadReadoutPart(path, found) && found.identity == identity &&
           IsReadoutPartFresh(found.cutTime, now) && !found.bytes.empty() &&
           found.bytes.size() <= protocol::kRecorderSize;
}

std::string ReadoutSource(std::int64_t start) {
    return "odczyt z urządzenia " + LocalTimeText(start);
}

void NameDevice(CDeviceSession& session, const t_readout_identity& identity) {
    session.ConsoleWrite(
        Format("Urządzenie %s",
               Win1250ToUtf8(reinterpret_cast<const std::uint8_t*>(identity.name.data()),
                             identity.name.size())
                   .c_str()) +
            FormatVersionSuffix(identity.version) +
            Format(", nr fabryczny %u", static_cast<unsigned>(identity.factoryNumber)),
        1);
}

// The part file of one readout: where it is, and telling the user once when it cannot be
// kept, since a cut would then cost the whole readout. The readout goes on either way.
class CReadoutPartKeeper {
public:
    explicit CReadoutPartKeeper(CDeviceSession& session) : m_session(session) {}

    // Finds the device's part in the session's folder when parts may be kept there, and
    // removes the stale ones; otherwise says why and keeps no part. Gives the part's path,
    // empty for none.
    std::string Open(std::uint16_t factoryNumber, std::int64_t now) {
        const t_readout_part_folder folder = m_session.ReadoutPartFolder();
        const std::string path = ReadoutPartPath(folder.directory, factoryNumber);
        std::string problem = PrepareReadoutPartFolder(folder);
        if (problem.empty()) {
            problem = ReadoutPartFileProblem(path);
        }
        if (!problem.empty()) {
            Warn(path, problem);
            return "";
        }
        if (IsReadoutPartInUse(path)) {
            WarnInUse(path);
            return "";
        }
        RemoveStaleReadoutParts(folder.directory, now);
        return m_path = path;
    }
    const std::string& Path() const { return m_path; }
    CReadoutPartWriter& Writer() { return m_writer; }
    // The user was told that the part cannot be kept (in its folder, or written there).
    bool Warned() const { return m_warned; }

    void Create(const t_readout_identity& identity) {
        if (!m_path.empty() && !m_writer.Create(m_path, identity)) {
            WarnWriter();
        }
    }
    void Append(std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count) {
        if (m_writer.IsOpen() && !m_writer.Failed() &&
            !m_writer.Append(offset, bytes, count, SteadyMs())) {
            WarnWriter();
        }
    }
    // The readout stopped: what came so far stays with the time of the cut.
    void End() {
        if (m_writer.IsOpen() && !m_writer.End(Now())) {
            WarnWriter();
        }
    }
    void Flush() {
        if (m_writer.IsOpen() && !m_writer.Flush()) {
            WarnWriter();
        }
    }

private:
    void WarnWriter() {
        const int error = m_writer.Error();
        if (error == EWOULDBLOCK) {
            WarnInUse(m_path);
            return;
        }
        Warn(m_path, error != 0 ? SystemErrorText(error) : "błąd zapisu");
    }
    void Warn(const std::string& path, const std::string& reason) {
        Tell(Format("Nie można zapisać części odczytu %s: %s", path.c_str(), reason.c_str()));
    }
    // Another process reads a device of the same factory number into the same part.
    void WarnInUse(const std::string& path) {
        Tell(Format("Część odczytu %s jest używana przez inny odczyt (urządzenie o tym samym "
                    "numerze fabrycznym?): odczyt bez części",
                    path.c_str()));
    }
    void Tell(const std::string& text) {
        if (!m_warned) {
            m_warned = true;
            m_session.Notice(text);
        }
    }

    CDeviceSession& m_session;
    CReadoutPartWriter m_writer;
    std::string m_path;
    bool m_warned = false;
};

enum class Continued { No, Yes, NoAnswer };

// Continues from the device's part when there is one to continue and `cut` (or the user)
// takes it, once the join checks: the part's bytes go to memory and the writer appends
// after them.
Continued ContinueFromPart(CDeviceSession& session, CReadoutPartKeeper& keeper,
                           const t_readout_identity& identity, CutReadout cut, std::int64_t now,
                           std::vector<std::uint8_t>& memory, std::uint32_t& held) {
    t_readout_part found;
    if (cut == CutReadout::Restart || keeper.Path().empty() ||
        !FindCut(keeper.Path(), identity, now, found)) {
        return Continued::No;
    }
    const bool take =
        cut == CutReadout::Continue ||
        session.AskYesNo(Format("Dokończyć przerwany odczyt z %s? Odczytano %d z %d B.",
                                LocalTimeText(found.cutTime).c_str(),
                                static_cast<int>(found.bytes.size()),
                                static_cast<int>(protocol::kRecorderSize)));
    if (!take) {
        return Continued::No;
    }
    switch (CheckJoin(session, found.bytes)) {
    case Join::Same:
        if (!keeper.Writer().Continue(keeper.Path(), identity, found)) {
            return Continued::No;
        }
        held = static_cast<std::uint32_t>(found.bytes.size());
        std::memcpy(memory.data(), found.bytes.data(), held);
        session.ConsoleWrite(Format("Dalszy odczyt od bajtu %u", held), 1);
        return Continued::Yes;
    case Join::Changed:
        session.ConsoleWrite(
            "Urządzenie zapisało nowe pomiary od przerwania odczytu: odczyt od początku", 1);
        return Continued::No;
    case Join::NoAnswer:
        break;
    }
    return Continued::NoAnswer;
}

// The port of a readout came back after it went away: the readout goes on from `held`
// when the same device answers and still holds what was read (the join check); from the
// beginning, the part begun anew, when it recorded over it meanwhile. False, the user told
// why, when another device answers or none.
bool GoOnAfterPortBack(CDeviceSession& session, CReadoutPartKeeper& part,
                       const t_readout_identity& identity, std::vector<std::uint8_t>& memory,
                       std::uint32_t& held) {
    t_readout_identity now;
    if (!ReadIdentity(session, session.DeviceAddress(), now)) {
        ShowNoAnswer(session);
        return false;
    }
    if (!(now == identity)) {
        session.ShowMessage("Po ponownym podłączeniu portu odpowiada inne urządzenie: odczyt "
                            "przerwany",
                            MessageIcon::Exclamation);
        return false;
    }
    if (held == 0) {
        return true;
    }
    switch (CheckJoin(session, std::vector<std::uint8_t>(memory.begin(), memory.begin() + held))) {
    case Join::Same:
        session.ConsoleWrite(Format("Dalszy odczyt od bajtu %u", held), 1);
        return true;
    case Join::Changed:
        session.ConsoleWrite(
            "Urządzenie zapisało nowe pomiary od przerwania odczytu: odczyt od początku", 1);
        part.End();
        part.Create(identity);
        held = 0;
        return true;
    case Join::NoAnswer:
        break;
    }
    ShowNoAnswer(session);
    return false;
}

} // namespace

t_recorder_readout ReadRecorderMemory(CDeviceSession& session, CutReadout cut, bool removePart,
                                      KeptImageUse keptUse) {
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
    NameDevice(session, identity);

    CReadoutPartKeeper part(session);
    result.partPath = part.Open(identity.factoryNumber, result.startTime);
    const std::uint32_t retriesBefore = session.Retries();
    std::vector<std::uint8_t> memory(protocol::kRecorderSize);
    CKeptImageKeeper kept(session);
    // A cut full readout younger than the kept image goes on first.
    t_readout_part cutPart;
    if (kept.Open(identity, result.startTime) &&
        !(cut != CutReadout::Restart && !part.Path().empty() &&
          FindCut(part.Path(), identity, result.startTime, cutPart) &&
          cutPart.cutTime >= kept.Kept().readoutTime)) {
        std::uint32_t bytesRead = 0;
        switch (ReadOnlyWhatIsNew(session, kept, keptUse, result.startTime, memory, bytesRead)) {
        case RepeatOutcome::Done: {
            std::memcpy(session.MemoryImage(), memory.data(), memory.size());
            session.SetImageSource(ReadoutSource(result.startTime));
            result.complete = true;
            result.repeat = true;
            result.bytesRead = bytesRead;
            const std::uint32_t retriesAfter = session.Retries();
            result.retries = retriesAfter >= retriesBefore ? retriesAfter - retriesBefore : 0;
            kept.Save(memory, result.startTime, true, part.Warned());
            return result;
        }
        case RepeatOutcome::Ended:
            return result;
        case RepeatOutcome::Full:
            std::fill(memory.begin(), memory.end(), 0);
            break;
        }
    }
    std::uint32_t held = 0;
    switch (ContinueFromPart(session, part, identity, cut, result.startTime, memory, held)) {
    case Continued::NoAnswer:
        ShowNoAnswer(session);
        return result;
    case Continued::No:
        part.Create(identity);
        break;
    case Continued::Yes:
        result.continuedFrom = held;
        break;
    }

    const CDeviceSession::ChunkFunction keep = [&part, &held, &result](std::uint32_t offset,
                                                                       const std::uint8_t* bytes,
                                                                       std::uint32_t count) {
        part.Append(offset, bytes, count);
        held = offset + count;
        result.bytesRead += count;
    };
    // A whole part leaves nothing to read.
    const auto readOn = [&] {
        return held == protocol::kRecorderSize ||
               session.ReadBlockFrom(protocol::kBlockRecorder, held, memory.data(), keep);
    };
    bool read = readOn();
    while (!read && session.PortCameBack()) {
        part.Flush();
        if (!GoOnAfterPortBack(session, part, identity, memory, held)) {
            part.End();
            return result;
        }
        read = readOn();
    }
    // A link brought up anew counts from 0 again.
    const std::uint32_t retriesAfter = session.Retries();
    result.retries = retriesAfter >= retriesBefore ? retriesAfter - retriesBefore : retriesAfter;
    if (!read) {
        part.End();
        return result;
    }
    std::memcpy(session.MemoryImage(), memory.data(), memory.size());
    session.SetImageSource(ReadoutSource(result.startTime));
    result.complete = true;
    // Where the part could not be kept, the user knows already why the image cannot be.
    kept.Save(memory, result.startTime, false, part.Warned());
    if (removePart) {
        part.End();
        RemoveReadoutPart(result.partPath);
    } else {
        part.Flush();
    }
    return result;
}

void ReadRecorder(CDeviceSession& session) {
    ReadRecorderMemory(session, CutReadout::Ask, true, KeptImageUse::Ask);
}
