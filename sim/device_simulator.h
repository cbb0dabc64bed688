#pragma once
// The device side of the serial protocol, as a pure single-threaded engine: it is fed the
// characters the terminal sends, in any split, and queues the characters the device sends
// back. It keeps the device's own state (address, name and version, live status, clock,
// position, statistics, memory) and records every request it receives.
//
// Replies carry message type 1 and the device's address. Frames to other addresses are
// logged but not answered; a request of message type 0 takes effect without a reply, and
// so do the reset (command 0) and unknown commands.
//
// A confirmed chunk write is in the device's memory at once, as on the device, so a block
// write cut short leaves the block with the chunks written so far. Staging instead holds
// the chunks back until their block write is closed (command 41) and a reset drops them.

#include "base/settings_file.h"
#include "link/frame_codec.h"
#include "link/protocol.h"
#include "link/transfer_data.h"
#include "sim/device_memory.h"
#include "sim/fault_plan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

// One frame received, as decoded, with the characters that brought it: everything received
// since the previous frame ended (line ends and noise included) up to its last digit.
struct t_sim_request {
    t_transfer_data record;
    std::string raw;
    bool addressed = false;   // false: for another device address, ignored
    std::uint64_t number = 0; // 1 for the first addressed request, 0 when not addressed
};

// Characters for the line, to go out delayMs after the request that caused them.
struct t_sim_output {
    std::vector<std::uint8_t> bytes;
    int delayMs = 0;
};

// Live status values other than the position.
struct t_sim_status {
    std::int16_t speed = 0;                            // 0.01 m/s
    std::array<char, 4> inputs = {'1', '0', '0', '0'}; // shown as the characters
    std::uint8_t outputs = 0x01; // bits 0-3 outputs, 4 test, 5 tacho 0, 6 tacho 1, 7 low supply
    std::uint8_t flags = 0;      // bit 0: inspection due
    std::uint16_t supply = 124;  // 0.1 V
};

class DeviceSimulator {
public:
    static constexpr std::size_t kDefaultLogLimit = 200000;

    // Factory state: address 31, recorder filled with realistic runs from the seed, default
    // settings and statistics, clock at the PC's time.
    explicit DeviceSimulator(std::uint32_t seed = 1);

    // Feeds received characters; replies are queued for TakeOutput().
    void Receive(const void* data, std::size_t size);
    bool HasOutput() const { return !m_output.empty(); }
    std::vector<t_sim_output> TakeOutput();

    // Identity.
    int Address() const { return m_address; }
    void SetAddress(int address) { m_address = address & protocol::kAddressMask; }
    std::uint8_t Version() const { return m_version; }
    const std::string& Name() const { return m_name; } // Windows-1250 bytes
    void SetVersion(std::uint8_t version, std::string nameCp1250) {
        m_version = version;
        m_name = std::move(nameCp1250);
    }
    bool Programmer() const { return m_programmer; }
    void SetProgrammer(bool on) { m_programmer = on; }

    // Chunk writes: written through (the default) or staged until their block is closed.
    bool StageWrites() const { return m_stageWrites; }
    void SetStageWrites(bool on) { m_stageWrites = on; }

    // Whether a read chunk reply carries the address read from in its data bytes 0-3 (the
    // default) or zeros there, as a device that does not echo it; the count and the memory
    // bytes after them are the same either way.
    bool EchoesAddress() const { return m_echoesAddress; }
    void SetEchoesAddress(bool on) { m_echoesAddress = on; }

    // Live status and position (mm); the status reports this position.
    t_sim_status& Status() { return m_status; }
    std::int32_t Position() const { return m_position; }
    void SetPosition(std::int32_t millimetres) { m_position = millimetres; }
    // The 20-byte live status record as the device sends it.
    std::array<std::uint8_t, protocol::kLiveStatusSize> StatusRecord() const;

    // Clock: the device's time is the PC's local time plus this many seconds.
    std::int64_t ClockOffset() const { return m_clockOffset; }
    void SetClockOffset(std::int64_t seconds) { m_clockOffset = seconds; }
    // Calendar time of the device clock now.
    std::int64_t ClockNow() const { return m_now() + m_clockOffset; }
    // Replaces the PC clock (calendar seconds) the device clock runs on.
    void SetTimeSource(std::function<std::int64_t()> now) { m_now = std::move(now); }
    // Replaces the steady clock (milliseconds from any fixed start) that timed silences
    // run on; by default std::chrono::steady_clock.
    void SetSteadyClock(std::function<std::int64_t()> nowMs) { m_steadyNowMs = std::move(nowMs); }

    std::array<std::uint8_t, protocol::kStatisticsSize>& Statistics() { return m_statistics; }
    DeviceMemory& Memory() { return m_memory; }
    const DeviceMemory& Memory() const { return m_memory; }

    // Request log (oldest first, at most LogLimit() entries) and counters.
    const std::deque<t_sim_request>& Log() const { return m_log; }
    std::size_t LogLimit() const { return m_logLimit; }
    void SetLogLimit(std::size_t limit);
    // Addressed requests received, in all and of one command.
    std::uint64_t RequestCount() const { return m_requestCount; }
    std::uint64_t CommandCount(std::uint8_t command) const { return m_commandCounts[command]; }
    std::uint64_t ResetCount() const { return m_resetCount; }
    std::uint64_t RepliesSent() const { return m_repliesSent; }
    std::uint64_t RepliesLost() const { return m_repliesLost; } // dropped or damaged
    void ClearLog();                                            // log and counters

    // Faults.
    void AddFault(const t_fault_rule& rule) { m_faults.Add(rule); }
    void DropReply(int command = kAnyCommand, unsigned nth = 0) {
        AddFault(FaultRule(SimFault::DropReply, command, nth));
    }
    void ClearFaults(); // rules, random drops, delay, noise and silences
    // Drops replies at random with this probability, from a generator seeded with seed.
    void SetRandomDrop(double rate, std::uint32_t seed);
    void SetReplyDelayMs(int ms) { m_delayMs = ms; }
    int ReplyDelayMs() const { return m_delayMs; }
    // Up to maxBytes random characters (never ':') before each frame the device sends.
    void SetNoiseBetweenFrames(unsigned maxBytes) { m_noiseMax = maxBytes; }
    // Silent: requests are still received and logged, nothing is answered. Silent() also
    // tells a SilentFor silence that has not run out; SetSilent(false) ends that too.
    void SetSilent(bool silent);
    bool Silent() const;
    // Whether a CutLine rule has fired since the last call: the host is to close its side
    // of the line now, before anything else goes out. Clears the request.
    bool TakeLineCut() { return std::exchange(m_lineCut, false); }

    // Queues a console text line (type 0 frame) now. The text is Windows-1250 bytes; a text
    // longer than one frame holds is cut, a zero byte ends it when there is room.
    void SendText(const std::string& textCp1250);

private:
    void Handle(const t_transfer_data& request, std::string raw);
    // Carries the request out; false when the device does not answer this command.
    bool Execute(const t_transfer_data& request, bool rejectWrite, t_transfer_data& reply);
    // Command 33's reply: the version byte, then the name and its zero byte as far as the
    // frame holds them.
    void AnswerVersions(t_transfer_data& reply) const;
    // The clock moves to the time given; a time the PC cannot convert leaves it.
    void SetClock(const std::uint8_t* in, std::size_t inSize);
    // One chunk written into memory or staged; the reply tells whether it was taken.
    void WriteChunk(const std::uint8_t* in, std::size_t inSize, bool rejectWrite,
                    t_transfer_data& reply);
    // One chunk of memory after its address and count, as far as the memory holds it.
    void ReadChunk(const std::uint8_t* in, std::size_t inSize, t_transfer_data& reply);
    void Append(std::vector<std::uint8_t>& out, const t_transfer_data& frame);
    void AppendNoise(std::vector<std::uint8_t>& out);
    void Damage(std::vector<std::uint8_t>& frame, const t_fault_hits& hits);
    t_transfer_data TextFrame(const std::string& text) const;

    int m_address = settings::kDefaultDeviceAddress;
    std::uint8_t m_version = 5;
    std::string m_name;
    bool m_programmer = false;
    bool m_stageWrites = false;
    bool m_echoesAddress = true;
    t_sim_status m_status;
    std::int32_t m_position = 0;
    std::int64_t m_clockOffset = 0;
    std::function<std::int64_t()> m_now;
    std::function<std::int64_t()> m_steadyNowMs;
    std::array<std::uint8_t, protocol::kStatisticsSize> m_statistics{};
    DeviceMemory m_memory;

    std::uint8_t m_frame[protocol::kFrameBufferSize] = {};
    t_frame_receiver m_receiver;
    std::string m_raw;

    std::deque<t_sim_request> m_log;
    std::size_t m_logLimit = kDefaultLogLimit;
    std::uint64_t m_requestCount = 0;
    std::array<std::uint64_t, 256> m_commandCounts{};
    std::uint64_t m_resetCount = 0;
    std::uint64_t m_repliesSent = 0;
    std::uint64_t m_repliesLost = 0;

    FaultPlan m_faults;
    double m_dropRate = 0;
    std::mt19937 m_dropRandom;
    std::mt19937 m_random;
    int m_delayMs = 0;
    unsigned m_noiseMax = 0;
    bool m_silent = false;
    static constexpr std::int64_t kNoSilence = std::numeric_limits<std::int64_t>::min();
    std::int64_t m_silentUntilMs = kNoSilence; // steady clock; silent while ahead of now
    bool m_lineCut = false;

    std::vector<t_sim_output> m_output;
};
