// Block transfers on a lossy line: replies dropped at chosen chunks, at the close command
// and at random. A read asks a lost chunk again and completes byte for byte; a write stops
// at the first lost reply and says so, nothing written is sent again, and a write is never
// closed after a chunk that was not confirmed. What the device then holds is its own affair: the
// chunks it took so far, written through as the device writes them, or none of them when the
// simulator stages chunks until the close. Writes run both ways.

#include "device/configuration_record.h"
#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "res/resource.h"
#include "tests/reliability/reliability_util.h"
#include "tests/support/terminal_harness.h"

#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <set>

namespace t = afx::testing;
using namespace reliability;

namespace {

constexpr unsigned kRecorderChunks =
    (protocol::kRecorderSize + protocol::kChunkData - 1) / protocol::kChunkData;

unsigned ChunksOf(int blockId) {
    return (protocol::BlockSize(blockId) + protocol::kChunkData - 1) / protocol::kChunkData;
}

std::vector<std::uint8_t> Image(CLWDlg& dlg) {
    return std::vector<std::uint8_t>(dlg.MemoryImage(),
                                     dlg.MemoryImage() + protocol::kRecorderSize);
}

std::vector<std::uint8_t> Flipped(std::vector<std::uint8_t> bytes) {
    for (auto& b : bytes) {
        b ^= 0x5A;
    }
    return bytes;
}

struct t_settings_block {
    int button;
    int editor;
    int blockId;
};

// Where a reply is lost: the n-th write chunk, or (nth == 0) the close command.
struct t_loss {
    unsigned chunk;
};

class LossyLink : public ::testing::Test {
protected:
    void TearDown() override { t::ClearModalHooks(); }

    DeviceWrites m_writes = DeviceWrites::Through;

    // Opens the block's editor, saves it unchanged and, while it is shown, changes the
    // device's stored block behind the terminal's back, so that a write that reaches the
    // device shows. Gives the block the device held before the write started.
    // The terminal's side stays as it was: the memory image, and the editor opened once.
    std::vector<std::uint8_t> WriteBlock(CLWDlg& dlg, const t_settings_block& block) {
        const auto stored = Flipped(SettingsBlock(h, block.blockId));
        const auto image = Image(dlg);
        int edits = 0;
        t::AddModalHook(block.editor, [&](CDialog& d) {
            ++edits;
            SetSettingsBlock(h, block.blockId, stored);
            SaveOrLeave(d);
        });
        t::ClickButton(dlg, block.button);
        t::ClearModalHooks();
        EXPECT_LE(edits, 1);
        EXPECT_TRUE(Image(dlg) == image);
        return stored;
    }

    // One write with its reply lost at `loss`; checks what the terminal and the device end
    // with.
    void WriteWithLoss(CLWDlg& dlg, const t_settings_block& block, t_loss loss) {
        SCOPED_TRACE("block " + std::to_string(block.blockId) +
                     (loss.chunk == 0 ? std::string(", close command")
                                      : ", chunk " + std::to_string(loss.chunk)));
        ClearSimLog(h);
        h.ClearBoxes();
        if (loss.chunk == 0) {
            DropNthReply(h, protocol::kCmdCloseWrite, 1);
        } else {
            DropNthReply(h, protocol::kCmdWriteChunk, loss.chunk);
        }
        const int abortedBefore = CountLines(TerminalHarness::ConsoleLines(dlg), kAborted);
        const auto before = WriteBlock(dlg, block);
        EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNoAnswer});
        EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg), kAborted), abortedBefore + 1);
        const auto after = SettingsBlock(h, block.blockId);
        if (loss.chunk == 0) {
            // The device applied the block; the terminal could not know and said so.
            EXPECT_EQ(CommandCount(h, protocol::kCmdWriteChunk), ChunksOf(block.blockId));
            EXPECT_EQ(CommandCount(h, protocol::kCmdCloseWrite), 1u);
            EXPECT_EQ(after, WrittenBytes(h));
            EXPECT_NE(after, before);
        } else {
            EXPECT_EQ(CommandCount(h, protocol::kCmdWriteChunk), loss.chunk);
            EXPECT_EQ(CommandCount(h, protocol::kCmdCloseWrite), 0u);
            EXPECT_EQ(after, BlockAfterWrite(h, block.blockId, before, m_writes));
            EXPECT_EQ(after == before, m_writes == DeviceWrites::Staged);
        }
        ++faultsInjected;
    }

    std::vector<t_loss> LossPoints(int blockId) {
        const unsigned chunks = ChunksOf(blockId);
        std::set<unsigned> at = {1, (chunks + 1) / 2, chunks};
        std::vector<t_loss> points;
        for (unsigned c : at) {
            points.push_back({c});
        }
        points.push_back({0});
        return points;
    }

    TerminalHarness h;
    int faultsInjected = 0;
};

// How replies to a readout's read chunks go wrong. The device's factory number is read
// first, one chunk of block 2, so the recorder's chunk n is read request n + 1.
struct t_loss_pattern {
    const char* name;
    std::function<void(DeviceSimulator&)> arrange;
    int readouts;
};

const t_loss_pattern kLossPatterns[] = {
    {"FirstChunkLost",
     [](DeviceSimulator& d) {
         d.AddFault(FaultRule(SimFault::DropReply, protocol::kCmdReadChunk, 2));
     },
     1},
    {"MiddleChunkLost",
     [](DeviceSimulator& d) {
         d.AddFault(
             FaultRule(SimFault::DropReply, protocol::kCmdReadChunk, 1 + kRecorderChunks / 2));
     },
     1},
    {"LastChunkLost",
     [](DeviceSimulator& d) {
         d.AddFault(FaultRule(SimFault::DropReply, protocol::kCmdReadChunk, 1 + kRecorderChunks));
     },
     1},
    {"OnePercentLostTenReadoutsInARow", [](DeviceSimulator& d) { d.SetRandomDrop(0.01, 7); }, 10},
    // Late past the wait measured on the line; the tries asked meanwhile are answered too.
    {"LateReplyWithTheAddressEcho",
     [](DeviceSimulator& d) {
         d.AddFault(TimedFaultRule(SimFault::DelayReply, 300, protocol::kCmdReadChunk, 101));
     },
     1},
    // Late past the full wait, from a device whose replies cannot be told apart.
    {"LateReplyWithoutTheAddressEcho",
     [](DeviceSimulator& d) {
         d.SetEchoesAddress(false);
         d.AddFault(TimedFaultRule(SimFault::DelayReply, 2000, protocol::kCmdReadChunk, 101));
     },
     1},
};

class LossyReadout : public ::testing::TestWithParam<t_loss_pattern> {};

TEST_P(LossyReadout, ReadoutAsksAgainAndCompletesByteForByte) {
    const t_loss_pattern& c = GetParam();
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        h.Sim().WithDevice(c.arrange);
        for (int run = 0; run < c.readouts; ++run) {
            SCOPED_TRACE("readout " + std::to_string(run + 1));
            std::fill_n(dlg.MemoryImage(), protocol::kRecorderSize, 0);
            h.ClearBoxes();
            // Every readout after the first reads all again: the retries are what is tried.
            if (run > 0) {
                h.AnswerNext(IDNO);
            }
            t::ClickButton(dlg, IDC_READ_RECORDER);
            EXPECT_EQ(h.Boxes().size(), run > 0 ? 1u : 0u);
            EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(), kDone);
            EXPECT_TRUE(Image(dlg) == Recorder(h));
        }
        const auto lost = h.Sim().WithDevice([](DeviceSimulator& d) { return d.RepliesLost(); });
        EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg), kAborted), 0);
        // At least every lost chunk was asked again.
        EXPECT_GE(CommandCount(h, protocol::kCmdReadChunk),
                  static_cast<std::uint64_t>(c.readouts) * (1 + kRecorderChunks) + lost);
        // The retries alone bring the line report before "Rozłączono".
        ASSERT_TRUE(h.Disconnect(dlg));
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.back(), "Rozłączono");
        EXPECT_EQ(lines[lines.size() - 2].rfind("Łącze: ramki: ", 0), 0u);
        EXPECT_NE(lines[lines.size() - 2].find(", powtórzone zapytania: "), std::string::npos);
    });
}

INSTANTIATE_TEST_SUITE_P(Reliability, LossyReadout, ::testing::ValuesIn(kLossPatterns),
                         [](const auto& info) { return std::string(info.param.name); });

// Writes, with the simulator writing chunks through and staging them.
class LossyWrites : public LossyLink, public ::testing::WithParamInterface<DeviceWrites> {
protected:
    void SetUp() override {
        m_writes = GetParam();
        SetDeviceWrites(h, m_writes);
    }
};

TEST_P(LossyWrites, SettingsWritesAreNeverClosedAfterAnUnconfirmedChunk) {
    const t_settings_block blocks[] = {
        {IDC_CONFIGURATION, IDD_DANE_BAZOWE, protocol::kBlockConfiguration},
        {IDC_INSPECTIONS, IDD_PRZEGL, protocol::kBlockInspections},
        {IDC_RELAYS, IDD_PRZEK, protocol::kBlockRelays},
    };
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        for (const auto& block : blocks) {
            const auto original = SettingsBlock(h, block.blockId);
            for (const t_loss loss : LossPoints(block.blockId)) {
                WriteWithLoss(dlg, block, loss);
                SetSettingsBlock(h, block.blockId, original);
            }
        }
    });
}

TEST_P(LossyWrites, ProgrammerWriteIsNeverClosedAfterAnUnconfirmedChunk) {
    t_programmer_record record;
    for (std::size_t i = 0; i < record.kSize; ++i) {
        record.bytes[i] = static_cast<std::uint8_t>(0x61 + i);
    }
    record.SetFactoryNumber(99);
    record.SetPowerOffTime(600);
    record.SetVoltage(100);
    record.SetDescription("Prog");
    const std::vector<std::uint8_t> original(record.bytes.begin(), record.bytes.end());
    SetSettingsBlock(h, protocol::kBlockProgrammer, original);
    h.Sim().WithDevice([](DeviceSimulator& d) { d.SetProgrammer(true); });
    const t_settings_block block{IDC_PROGRAMMER, IDD_DANE_CZYTNIKA, protocol::kBlockProgrammer};
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        ASSERT_TRUE(t::WaitUntil([&] { return t::IsEnabled(dlg, IDC_PROGRAMMER); }, 3000));
        for (const t_loss loss : LossPoints(block.blockId)) {
            WriteWithLoss(dlg, block, loss);
            SetSettingsBlock(h, block.blockId, original);
        }
    });
}

TEST_P(LossyWrites, FivePercentLossEndsEachWriteAtItsFirstLostReplyAndNoRead) {
    const t_settings_block relays{IDC_RELAYS, IDD_PRZEK, protocol::kBlockRelays};
    std::uint64_t readoutLosses = 0;
    int writesFailed = 0;
    int closeLost = 0;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        h.Sim().WithDevice([](DeviceSimulator& d) { d.SetRandomDrop(0.05, 5); });
        {
            ClearSimLog(h);
            h.ClearBoxes();
            t::ClickButton(dlg, IDC_READ_RECORDER);
            const auto lost =
                h.Sim().WithDevice([](DeviceSimulator& d) { return d.RepliesLost(); });
            // Every lost reply costs one more request of its chunk.
            ASSERT_GT(lost, 0u);
            EXPECT_GE(CommandCount(h, protocol::kCmdReadChunk), kRecorderChunks + lost);
            EXPECT_TRUE(h.Boxes().empty());
            EXPECT_TRUE(Image(dlg) == Recorder(h));
            readoutLosses = lost;
        }
        const auto original = SettingsBlock(h, relays.blockId);
        for (int i = 0; i < 30; ++i) {
            ClearSimLog(h);
            h.ClearBoxes();
            const auto before = WriteBlock(dlg, relays);
            const auto after = SettingsBlock(h, relays.blockId);
            const std::uint64_t writes = CommandCount(h, protocol::kCmdWriteChunk);
            const std::uint64_t closes = CommandCount(h, protocol::kCmdCloseWrite);
            // The settings are read first: a loss there costs a retry, never the write.
            ASSERT_GT(writes, 0u);
            if (h.Boxes().empty()) {
                EXPECT_EQ(closes, 1u);
                EXPECT_EQ(after, WrittenBytes(h));
                continue;
            }
            EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNoAnswer});
            ++writesFailed;
            if (closes == 1) {
                ++closeLost;
                EXPECT_EQ(after, WrittenBytes(h));
            } else {
                EXPECT_EQ(closes, 0u);
                EXPECT_EQ(after, BlockAfterWrite(h, relays.blockId, before, m_writes));
            }
            SetSettingsBlock(h, relays.blockId, original);
        }
        h.Sim().WithDevice([](DeviceSimulator& d) { d.SetRandomDrop(0, 0); });
    });
    EXPECT_GT(writesFailed, 0);
    std::cout << "[ figures  ] 5 % loss, chunks " << WritesName(m_writes) << ": a readout with "
              << readoutLosses << " lost replies completed; " << writesFailed
              << " of 30 relay writes stopped at their first lost reply (" << closeLost
              << " at the close command)\n";
}

INSTANTIATE_TEST_SUITE_P(Reliability, LossyWrites,
                         ::testing::Values(DeviceWrites::Through, DeviceWrites::Staged),
                         [](const auto& info) { return WritesName(info.param); });

} // namespace
