#pragma once
// Helpers of the reliability tests: scripted faults on the simulated device, the device's
// stored blocks, and editors that are saved or left.

#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "link/queue.h"
#include "res/resource.h"
#include "tests/support/connect_quiet.h"
#include "tests/support/terminal_harness.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace reliability {

inline const char* const kNoAnswer = "Urządzenie nie odpowiada";
inline const char* const kAborted = "Przerwano transmisję";
inline const char* const kDone = "koniec transmisji";

// The n-th request of `command` from now on gets `data` as its reply's data.
inline void ReplaceNextReply(TerminalHarness& h, std::uint8_t command, const std::string& data,
                             unsigned nth = 1) {
    t_fault_rule rule = FaultRule(SimFault::ReplaceReply, command, nth);
    rule.text = data;
    h.Sim().WithDevice([&](DeviceSimulator& d) { d.AddFault(rule); });
}

// The next `tries` requests of `command` get `data` as their replies' data.
inline void ReplaceNextReplies(TerminalHarness& h, std::uint8_t command, const std::string& data,
                               unsigned tries, unsigned after = 0) {
    for (unsigned nth = after + 1; nth <= after + tries; ++nth) {
        ReplaceNextReply(h, command, data, nth);
    }
}

// data with its first four bytes (where there are four) set to address, as a device that
// echoes the address of a read fills them.
inline std::string EchoingAddress(std::string data, std::uint32_t address) {
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i) {
        data[i] = static_cast<char>(address >> (8 * i) & 0xFF);
    }
    return data;
}

inline void DropNthReply(TerminalHarness& h, std::uint8_t command, unsigned nth) {
    h.Sim().WithDevice([&](DeviceSimulator& d) { d.DropReply(command, nth); });
}

inline std::string RandomBytes(std::mt19937& rng, std::size_t n) {
    std::string bytes(n, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(rng() & 0xFF);
    }
    return bytes;
}

inline std::vector<std::uint8_t> SettingsBlock(TerminalHarness& h, int blockId) {
    const std::uint32_t offset = protocol::BlockAddress(blockId) - protocol::kSettingsBase;
    return h.Sim().WithDevice([&](DeviceSimulator& d) {
        const auto& s = d.Memory().Settings();
        return std::vector<std::uint8_t>(s.begin() + offset,
                                         s.begin() + offset + protocol::BlockSize(blockId));
    });
}

inline void SetSettingsBlock(TerminalHarness& h, int blockId,
                             const std::vector<std::uint8_t>& bytes) {
    const std::uint32_t offset = protocol::BlockAddress(blockId) - protocol::kSettingsBase;
    h.Sim().WithDevice([&](DeviceSimulator& d) {
        std::copy(bytes.begin(), bytes.end(), d.Memory().Settings().begin() + offset);
    });
}

inline std::vector<std::uint8_t> Recorder(TerminalHarness& h) {
    return h.Sim().WithDevice([](DeviceSimulator& d) { return d.Memory().Recorder(); });
}

inline std::uint64_t CommandCount(TerminalHarness& h, std::uint8_t command) {
    return h.Sim().CommandCount(command);
}

// The data bytes of every write chunk (command 39) received since the log was cleared,
// joined in the order sent.
inline std::vector<std::uint8_t> WrittenBytes(TerminalHarness& h) {
    std::vector<std::uint8_t> bytes;
    for (const t_transfer_data& r : h.RequestsOf(protocol::kCmdWriteChunk)) {
        const std::size_t n = std::min<std::size_t>(r.length, protocol::kMaxData);
        if (n > protocol::kChunkHeader) {
            bytes.insert(bytes.end(), r.data + protocol::kChunkHeader, r.data + n);
        }
    }
    return bytes;
}

// Saves the editor; when its fields are refused, leaves it without saving.
inline void SaveOrLeave(CDialog& d) {
    afx::testing::ClickButton(d, IDOK);
    if (d.IsModalLoopRunning()) {
        afx::testing::ClickButton(d, IDCANCEL);
    }
}

// "Połącz" once more after a "Rozłącz": waits for a new "Połączono" and the first status
// request on the new link.
inline bool Reconnect(TerminalHarness& h, CLWDlg& dlg, int timeoutMs = 5000) {
    const int connected = CountLines(TerminalHarness::ConsoleLines(dlg), "Połączono");
    const std::uint64_t polls = h.Sim().CommandCount(protocol::kCmdLiveStatus);
    afx::testing::ClickButton(dlg, IDC_CONNECT);
    return afx::testing::WaitUntil(
        [&] {
            return CountLines(TerminalHarness::ConsoleLines(dlg), "Połączono") > connected &&
                   h.Sim().CommandCount(protocol::kCmdLiveStatus) > polls && !dlg.Queue().IsBusy();
        },
        timeoutMs);
}

inline void ClearSimLog(TerminalHarness& h) {
    h.Sim().WithDevice([](DeviceSimulator& d) { d.ClearLog(); });
}

// How the simulated device takes written chunks: at once, as the device does, or staged
// until their block write is closed.
enum class DeviceWrites { Through, Staged };

inline std::string WritesName(DeviceWrites writes) {
    return writes == DeviceWrites::Staged ? "Staged" : "WrittenThrough";
}

inline void SetDeviceWrites(TerminalHarness& h, DeviceWrites writes) {
    h.Sim().WithDevice(
        [&](DeviceSimulator& d) { d.SetStageWrites(writes == DeviceWrites::Staged); });
}

// The block the device must hold after a write of blockId that found `before` there: every
// write chunk received since the log was cleared laid over it at its address (the device
// took them all), unless the device stages chunks and the write was not closed.
inline std::vector<std::uint8_t> BlockAfterWrite(TerminalHarness& h, int blockId,
                                                 std::vector<std::uint8_t> before,
                                                 DeviceWrites writes) {
    if (writes == DeviceWrites::Staged && h.Sim().CommandCount(protocol::kCmdCloseWrite) == 0) {
        return before;
    }
    for (const t_transfer_data& r : h.RequestsOf(protocol::kCmdWriteChunk)) {
        const std::size_t n = std::min<std::size_t>(r.length, protocol::kMaxData);
        if (n <= protocol::kChunkHeader) {
            continue;
        }
        const std::uint32_t address = static_cast<std::uint32_t>(r.data[0]) |
                                      static_cast<std::uint32_t>(r.data[1]) << 8 |
                                      static_cast<std::uint32_t>(r.data[2]) << 16 |
                                      static_cast<std::uint32_t>(r.data[3]) << 24;
        const std::size_t offset = address - protocol::BlockAddress(blockId);
        for (std::size_t i = protocol::kChunkHeader; i < n; ++i) {
            const std::size_t at = offset + i - protocol::kChunkHeader;
            if (at < before.size()) {
                before[at] = r.data[i];
            }
        }
    }
    return before;
}

} // namespace reliability
