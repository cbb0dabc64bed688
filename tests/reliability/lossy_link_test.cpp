// Block transfers on a lossy line: replies dropped at chosen chunks, at the close command
// and at random. A transfer stops at the first lost reply and says so; nothing is retried;
// a failed readout leaves the memory image as it was; a write is never closed after a chunk
// that was not confirmed. What the device then holds is its own affair: the chunks it took
// so far, written through as the device writes them, or none of them when the simulator
// stages chunks until the close. Writes run both ways.

#include "device/configuration_record.h"
#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "res/resource.h"
#include "tests/reliability/reliability_util.h"
#include "tests/support/terminal_harness.h"

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

TEST_F(LossyLink, ReadoutStopsAtTheFirstLostReplyAndKeepsTheImage) {
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        const auto before = Image(dlg);
        for (const unsigned nth : {1u, kRecorderChunks / 2, kRecorderChunks}) {
            SCOPED_TRACE("chunk " + std::to_string(nth));
            ClearSimLog(h);
            h.ClearBoxes();
            DropNthReply(h, protocol::kCmdReadChunk, nth);
            t::ClickButton(dlg, IDC_READ_RECORDER);
            EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNoAnswer});
            EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(), kAborted);
            EXPECT_EQ(CommandCount(h, protocol::kCmdReadChunk), nth); // no retry, no more
            EXPECT_TRUE(Image(dlg) == before);
        }
        // The next readout on the same link is whole.
        h.ClearBoxes();
        t::ClickButton(dlg, IDC_READ_RECORDER);
        EXPECT_TRUE(h.Boxes().empty());
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(), kDone);
        EXPECT_TRUE(Image(dlg) == Recorder(h));
    });
}

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

TEST_P(LossyWrites, FivePercentLossEndsEachTransferAtItsFirstLostReply) {
    const t_settings_block relays{IDC_RELAYS, IDD_PRZEK, protocol::kBlockRelays};
    int readoutsFailed = 0;
    int writesFailed = 0;
    int closeLost = 0;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        const auto image = Image(dlg);
        h.Sim().WithDevice([](DeviceSimulator& d) { d.SetRandomDrop(0.05, 5); });
        for (int i = 0; i < 3; ++i) {
            ClearSimLog(h);
            h.ClearBoxes();
            t::ClickButton(dlg, IDC_READ_RECORDER);
            const auto lost = h.Sim().WithDevice([](DeviceSimulator& d) {
                return std::make_pair(d.RepliesSent(), d.RepliesLost());
            });
            // At 5 % a whole readout of 8,336 chunks never gets through: it stops at the
            // first loss, after exactly the chunks that were answered.
            ASSERT_EQ(lost.second, 1u);
            EXPECT_EQ(CommandCount(h, protocol::kCmdReadChunk), lost.first + 1);
            EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNoAnswer});
            EXPECT_TRUE(Image(dlg) == image);
            ++readoutsFailed;
        }
        const auto original = SettingsBlock(h, relays.blockId);
        for (int i = 0; i < 30; ++i) {
            ClearSimLog(h);
            h.ClearBoxes();
            const auto before = WriteBlock(dlg, relays);
            const auto after = SettingsBlock(h, relays.blockId);
            const auto lost =
                h.Sim().WithDevice([](DeviceSimulator& d) { return d.RepliesLost(); });
            const std::uint64_t reads = CommandCount(h, protocol::kCmdReadChunk);
            const std::uint64_t writes = CommandCount(h, protocol::kCmdWriteChunk);
            const std::uint64_t closes = CommandCount(h, protocol::kCmdCloseWrite);
            if (lost == 0) {
                EXPECT_TRUE(h.Boxes().empty());
                EXPECT_EQ(closes, 1u);
                EXPECT_EQ(after, WrittenBytes(h));
                continue;
            }
            ASSERT_EQ(lost, 1u);
            EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNoAnswer});
            if (reads < ChunksOf(relays.blockId) || writes == 0) {
                continue; // lost during the read: nothing was written
            }
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
    std::cout << "[ figures  ] 5 % loss, chunks " << WritesName(m_writes) << ": " << readoutsFailed
              << " readouts and " << writesFailed
              << " of 30 relay writes stopped at their first lost reply (" << closeLost
              << " at the close command)\n";
}

INSTANTIATE_TEST_SUITE_P(Reliability, LossyWrites,
                         ::testing::Values(DeviceWrites::Through, DeviceWrites::Staged),
                         [](const auto& info) { return WritesName(info.param); });

} // namespace
