#include "sim/device_simulator.h"

#include "base/byte_order.h"
#include "base/device_time.h"
#include "sim/default_settings.h"
#include "sim/recorder_content.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>

namespace {

// The default name, Windows-1250 bytes of "RE2 Wyciąg Północ".
constexpr char kDefaultName[] = "RE2 Wyci\xB9g P\xF3\xB3noc";
// Characters kept of what came before a frame; noise beyond this is forgotten.
constexpr std::size_t kRawLimit = 4096;
// Characters that noise between frames is drawn from: anything but ':'.
constexpr char kNoise[] = "\n\r\n\r 0123456789ABCDEFabcdefXYZ?*#\x7F\x80\xA5\xB3\xFE\xFF";

// Whether feeding the characters to a fresh receiver completes a frame.
bool CarriesFrame(const std::vector<std::uint8_t>& chars) {
    std::uint8_t buffer[protocol::kFrameBufferSize];
    t_frame_receiver receiver;
    ReceiverInit(receiver, buffer);
    for (std::uint8_t c : chars) {
        if (ReceiverPutChar(receiver, static_cast<char>(c)) == 1) {
            return true;
        }
    }
    return false;
}

char UpperHex(int value) {
    return "0123456789ABCDEF"[value & 15];
}

} // namespace

DeviceSimulator::DeviceSimulator(std::uint32_t seed)
    : m_name(kDefaultName), m_now([] { return static_cast<std::int64_t>(std::time(nullptr)); }),
      m_steadyNowMs([] {
          return static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now().time_since_epoch())
                                               .count());
      }),
      m_dropRandom(seed), m_random(seed) {
    const std::int64_t now = m_now();
    m_memory.Recorder() = GenerateRecorderImage({.seed = seed, .now = now});
    m_memory.Settings() = DefaultSettingsArea(now);
    m_statistics = DefaultStatistics(now);
    ReceiverInit(m_receiver, m_frame);
}

void DeviceSimulator::Receive(const void* data, std::size_t size) {
    const auto* chars = static_cast<const char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        if (m_raw.size() >= kRawLimit) {
            m_raw.erase(0, kRawLimit / 2);
        }
        m_raw.push_back(chars[i]);
        if (ReceiverPutChar(m_receiver, chars[i]) != 1) {
            continue;
        }
        t_transfer_data record;
        if (FrameToRecord(m_frame, record)) {
            Handle(record, std::move(m_raw));
        }
        m_raw.clear();
    }
}

std::vector<t_sim_output> DeviceSimulator::TakeOutput() {
    std::vector<t_sim_output> out;
    out.swap(m_output);
    return out;
}

std::array<std::uint8_t, protocol::kLiveStatusSize> DeviceSimulator::StatusRecord() const {
    std::array<std::uint8_t, protocol::kLiveStatusSize> r{};
    std::uint8_t* b = r.data();
    WriteU16LE(b, r.size(), 0, static_cast<std::uint16_t>(m_status.speed));
    WriteI32LE(b, r.size(), 4, m_position);
    WriteI32LE(b, r.size(), 8, m_programmer ? -1 : 0);
    for (std::size_t i = 0; i < 4; ++i) {
        b[12 + i] = static_cast<std::uint8_t>(m_status.inputs[i]);
    }
    b[16] = m_status.outputs;
    b[17] = m_status.flags;
    WriteU16LE(b, r.size(), 18, m_status.supply);
    return r;
}

void DeviceSimulator::SetLogLimit(std::size_t limit) {
    m_logLimit = std::max<std::size_t>(limit, 1);
    while (m_log.size() > m_logLimit) {
        m_log.pop_front();
    }
}

void DeviceSimulator::ClearLog() {
    m_log.clear();
    m_requestCount = 0;
    m_commandCounts.fill(0);
    m_resetCount = 0;
    m_repliesSent = 0;
    m_repliesLost = 0;
}

void DeviceSimulator::ClearFaults() {
    m_faults.Clear();
    m_dropRate = 0;
    m_delayMs = 0;
    m_noiseMax = 0;
    SetSilent(false);
    m_lineCut = false;
}

void DeviceSimulator::SetSilent(bool silent) {
    m_silent = silent;
    if (!silent) {
        m_silentUntilMs = kNoSilence;
    }
}

bool DeviceSimulator::Silent() const {
    return m_silent || m_steadyNowMs() < m_silentUntilMs;
}

void DeviceSimulator::SetRandomDrop(double rate, std::uint32_t seed) {
    m_dropRate = rate;
    m_dropRandom.seed(seed);
}

void DeviceSimulator::SendText(const std::string& textCp1250) {
    t_sim_output out;
    AppendNoise(out.bytes);
    Append(out.bytes, TextFrame(textCp1250));
    m_output.push_back(std::move(out));
}

t_transfer_data DeviceSimulator::TextFrame(const std::string& text) const {
    t_transfer_data frame;
    frame.addressType = MakeAddressType(m_address, protocol::kTypeNoReply);
    frame.command = 0;
    const std::size_t n = std::min(text.size(), protocol::kMaxData);
    std::memcpy(frame.data, text.data(), n);
    frame.length = static_cast<std::uint8_t>(n < protocol::kMaxData ? n + 1 : n);
    return frame;
}

void DeviceSimulator::Handle(const t_transfer_data& request, std::string raw) {
    t_sim_request entry{request, std::move(raw), request.Address() == m_address, 0};
    if (entry.addressed) {
        entry.number = ++m_requestCount;
        ++m_commandCounts[request.command];
    }
    m_log.push_back(std::move(entry));
    if (m_log.size() > m_logLimit) {
        m_log.pop_front();
    }
    if (request.Address() != m_address) {
        return;
    }

    const t_fault_hits hits = m_faults.Match(request.command);
    m_silent = m_silent || hits.silence;
    m_lineCut = m_lineCut || hits.cut;
    if (hits.silentForMs >= 0) {
        m_silentUntilMs = std::max(m_silentUntilMs, m_steadyNowMs() + hits.silentForMs);
    }
    const bool randomDrop =
        m_dropRate > 0 && std::uniform_real_distribution<double>(0, 1)(m_dropRandom) < m_dropRate;
    t_transfer_data reply;
    if (!Execute(request, hits.reject, reply) || request.Type() == protocol::kTypeNoReply) {
        return;
    }
    if (hits.replace) {
        const std::size_t n = std::min(hits.replacement.size(), protocol::kMaxData);
        if (n > 0) {
            std::memcpy(reply.data, hits.replacement.data(), n);
        }
        reply.length = static_cast<std::uint8_t>(n);
    }
    if (hits.shortReply >= 0 && reply.length > hits.shortReply) {
        reply.length = static_cast<std::uint8_t>(hits.shortReply);
    }
    if (Silent() || hits.drop || hits.cut || randomDrop) {
        ++m_repliesLost;
        return;
    }

    t_sim_output out;
    out.delayMs = static_cast<int>(std::min<std::int64_t>(m_delayMs + hits.delayMs, INT_MAX));
    for (const std::string& text : hits.texts) {
        AppendNoise(out.bytes);
        Append(out.bytes, TextFrame(text));
    }
    t_transfer_data more = reply;
    more.addressType = MakeAddressType(m_address, protocol::kTypeMoreReplies);
    for (unsigned i = 0; i < hits.moreReplies; ++i) {
        AppendNoise(out.bytes);
        Append(out.bytes, more);
    }
    AppendNoise(out.bytes);
    std::vector<std::uint8_t> last;
    Append(last, reply);
    Damage(last, hits);
    out.bytes.insert(out.bytes.end(), last.begin(), last.end());
    if (hits.corrupt || hits.flip || hits.strayColon) {
        ++m_repliesLost;
    } else {
        ++m_repliesSent;
    }
    m_output.push_back(std::move(out));
}

bool DeviceSimulator::Execute(const t_transfer_data& request, bool rejectWrite,
                              t_transfer_data& reply) {
    const std::uint8_t* in = request.data;
    const std::size_t inSize = std::min<std::size_t>(request.length, protocol::kMaxData);
    std::uint8_t* out = reply.data;
    const std::size_t outSize = protocol::kMaxData;
    reply.addressType = MakeAddressType(m_address, protocol::kTypeReply);
    reply.command = request.command;
    reply.length = 0;

    switch (request.command) {
    case protocol::kCmdReset:
        ++m_resetCount;
        m_memory.DiscardStaged();
        return false;
    case protocol::kCmdReadVersions:
        AnswerVersions(reply);
        return true;
    case protocol::kCmdLiveStatus: {
        const auto record = StatusRecord();
        std::memcpy(out, record.data(), record.size());
        reply.length = static_cast<std::uint8_t>(record.size());
        return true;
    }
    case protocol::kCmdReadClock:
        WriteDeviceTime(out, outSize, 0, CalendarToDeviceTime(ClockNow()));
        reply.length = protocol::kDeviceTimeSize;
        return true;
    case protocol::kCmdSetClock:
        SetClock(in, inSize);
        return true;
    case protocol::kCmdWriteChunk:
        WriteChunk(in, inSize, rejectWrite, reply);
        return true;
    case protocol::kCmdReadChunk:
        ReadChunk(in, inSize, reply);
        return true;
    case protocol::kCmdCloseWrite:
        if (inSize >= 1) {
            m_memory.Commit(in[0]);
        }
        out[0] = 1;
        reply.length = 1;
        return true;
    case protocol::kCmdWriteStatistics:
        if (inSize >= m_statistics.size()) {
            std::memcpy(m_statistics.data(), in, m_statistics.size());
        }
        return true;
    case protocol::kCmdReadStatistics:
        std::memcpy(out, m_statistics.data(), m_statistics.size());
        reply.length = static_cast<std::uint8_t>(m_statistics.size());
        return true;
    case protocol::kCmdSetPosition:
        if (inSize >= protocol::kPositionSize) {
            m_position = ReadI32LE(in, inSize, 0);
        }
        return true;
    case protocol::kCmdReadPosition:
        WriteI32LE(out, outSize, 0, m_position);
        reply.length = protocol::kPositionSize;
        return true;
    default:
        return false;
    }
}

void DeviceSimulator::AnswerVersions(t_transfer_data& reply) const {
    std::uint8_t* out = reply.data;
    constexpr std::size_t outSize = protocol::kMaxData;
    out[0] = m_version;
    const std::size_t n = std::min(m_name.size(), outSize - 1);
    std::memcpy(out + 1, m_name.data(), n);
    reply.length = static_cast<std::uint8_t>(1 + n);
    if (reply.length < outSize) {
        out[reply.length++] = 0;
    }
}

void DeviceSimulator::SetClock(const std::uint8_t* in, std::size_t inSize) {
    t_device_time time;
    if (ReadDeviceTime(in, inSize, 0, time)) {
        const std::int64_t calendar = DeviceTimeToCalendar(time);
        if (calendar != -1) {
            m_clockOffset = calendar - m_now();
        }
    }
}

void DeviceSimulator::WriteChunk(const std::uint8_t* in, std::size_t inSize, bool rejectWrite,
                                 t_transfer_data& reply) {
    const std::uint32_t address = ReadU32LE(in, inSize, 0);
    const std::size_t n = ReadU8(in, inSize, 4);
    const std::uint8_t* bytes = in + protocol::kChunkHeader;
    const bool written = !rejectWrite && inSize >= protocol::kChunkHeader &&
                         n <= protocol::kChunkData && FitsIn(inSize, protocol::kChunkHeader, n) &&
                         (m_stageWrites ? m_memory.Stage(address, bytes, n)
                                        : m_memory.WriteSettings(address, bytes, n));
    reply.data[0] = written ? 1 : 0;
    reply.length = 1;
}

void DeviceSimulator::ReadChunk(const std::uint8_t* in, std::size_t inSize,
                                t_transfer_data& reply) {
    std::uint8_t* out = reply.data;
    const std::uint32_t address = ReadU32LE(in, inSize, 0);
    const std::size_t n = std::min<std::size_t>(ReadU8(in, inSize, 4), protocol::kChunkData);
    const std::size_t k = inSize >= protocol::kChunkHeader
                              ? m_memory.Read(address, n, out + protocol::kChunkHeader)
                              : 0;
    WriteU32LE(out, protocol::kMaxData, 0, m_echoesAddress ? address : 0);
    out[4] = static_cast<std::uint8_t>(k);
    reply.length = static_cast<std::uint8_t>(protocol::kChunkHeader + k);
}

void DeviceSimulator::Append(std::vector<std::uint8_t>& out, const t_transfer_data& frame) {
    std::uint8_t encoded[protocol::kMaxEncodedFrame];
    const std::size_t n = EncodeFrame(frame, encoded);
    out.insert(out.end(), encoded, encoded + n);
}

void DeviceSimulator::AppendNoise(std::vector<std::uint8_t>& out) {
    if (m_noiseMax == 0) {
        return;
    }
    const unsigned count = m_random() % (m_noiseMax + 1);
    for (unsigned i = 0; i < count; ++i) {
        out.push_back(static_cast<std::uint8_t>(kNoise[m_random() % (sizeof kNoise - 1)]));
    }
}

// The frame's characters are LF CR ':' then the digits; L's two digits stay untouched so
// that a damaged frame still ends where the receiver expects it.
void DeviceSimulator::Damage(std::vector<std::uint8_t>& frame, const t_fault_hits& hits) {
    const std::size_t colon = 2;
    const std::size_t firstDigit = colon + 3; // after ':' and the length digits
    const std::size_t size = frame.size();
    if (hits.corrupt) {
        const int checksum = HexDigitValue(static_cast<char>(frame[size - 2])) * 16 +
                             HexDigitValue(static_cast<char>(frame[size - 1]));
        frame[size - 2] = static_cast<std::uint8_t>(UpperHex((checksum + 1) >> 4));
        frame[size - 1] = static_cast<std::uint8_t>(UpperHex(checksum + 1));
    }
    if (hits.flip) {
        const std::vector<std::uint8_t> intact = frame;
        for (int attempt = 0; attempt < 8; ++attempt) {
            frame = intact;
            const std::size_t at = firstDigit + m_random() % (size - firstDigit);
            const int old = HexDigitValue(static_cast<char>(frame[at]));
            frame[at] =
                static_cast<std::uint8_t>(UpperHex(old + 1 + static_cast<int>(m_random() % 15)));
            if (!CarriesFrame(frame)) {
                break;
            }
        }
    }
    if (hits.strayColon) {
        const std::vector<std::uint8_t> intact = frame;
        for (int attempt = 0; attempt < 8; ++attempt) {
            frame = intact;
            const std::size_t at = firstDigit + m_random() % (size - firstDigit);
            frame.insert(frame.begin() + static_cast<long>(at), ':');
            if (!CarriesFrame(frame)) {
                return;
            }
        }
        // A ':' before the last digit leaves one lone digit: nothing can complete.
        frame = intact;
        frame.insert(frame.end() - 1, ':');
    }
}
