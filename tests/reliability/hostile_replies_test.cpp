// Every reply handler fed replies of every length from 0 to 62 data bytes with random
// contents, through the real main window and its link: a handler reads only the data the
// reply carries, copies nothing past a buffer, and writes back to the device only what came
// from it. Run under AddressSanitizer and UndefinedBehaviorSanitizer as well.

#include "base/steady_time.h"
#include "device/live_status.h"
#include "framework/testing/test_seams.h"
#include "link/block_transfer.h"
#include "link/protocol.h"
#include "res/resource.h"
#include "tests/reliability/reliability_util.h"
#include "tests/support/terminal_harness.h"

#include <gtest/gtest.h>
#include <random>

namespace t = afx::testing;
using namespace reliability;

namespace {

const char* const kBadReply = "Błędna odpowiedź urządzenia";
const char* const kVerifyFailed = "Błąd przy weryfikacji zapisu do pamieci !";
constexpr std::size_t kMaxData = protocol::kMaxData;

class HostileReplies : public ::testing::Test {
protected:
    void TearDown() override { t::ClearModalHooks(); }
    TerminalHarness h;
    std::mt19937 rng{0x5EED0004u};
};

TEST_F(HostileReplies, ShortExchangesUseOnlyTheBytesTheReplyCarries) {
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        for (std::size_t n = 0; n <= kMaxData; ++n) {
            SCOPED_TRACE("data bytes " + std::to_string(n));

            h.ClearBoxes();
            ReplaceNextReply(h, protocol::kCmdReadVersions, RandomBytes(rng, n));
            t::ClickButton(dlg, IDC_VERSIONS);
            EXPECT_EQ(h.BoxTexts(),
                      n == 0 ? std::vector<std::string>{kNoAnswer} : std::vector<std::string>{});

            h.ClearBoxes();
            ReplaceNextReply(h, protocol::kCmdReadClock, RandomBytes(rng, n));
            if (n >= protocol::kDeviceTimeSize) {
                h.AnswerNext(IDNO);
            }
            t::ClickButton(dlg, IDC_SET_CLOCK);
            ASSERT_EQ(h.Boxes().size(), 1u);
            if (n < protocol::kDeviceTimeSize) {
                EXPECT_EQ(h.Boxes()[0].text, kNoAnswer);
            } else {
                EXPECT_EQ(h.Boxes()[0].text.rfind("Czas w urządzeniu: ", 0), 0u);
            }

            h.ClearBoxes();
            ReplaceNextReply(h, protocol::kCmdReadPosition, RandomBytes(rng, n));
            bool locationShown = false;
            t::AddModalHook(IDD_LOCATION, [&](CDialog& d) {
                locationShown = true;
                t::ClickButton(d, IDCANCEL);
            });
            t::ClickButton(dlg, IDC_SET_POSITION);
            t::ClearModalHooks();
            EXPECT_EQ(locationShown, n >= protocol::kPositionSize);
            EXPECT_EQ(h.BoxTexts(), n < protocol::kPositionSize
                                        ? std::vector<std::string>{kNoAnswer}
                                        : std::vector<std::string>{});

            // Statistics saved unchanged must go back exactly as they came.
            h.ClearBoxes();
            const std::string statistics = RandomBytes(rng, n);
            const std::size_t writesBefore = h.RequestsOf(protocol::kCmdWriteStatistics).size();
            ReplaceNextReply(h, protocol::kCmdReadStatistics, statistics);
            t::AddModalHook(IDD_STATYSTYKA, SaveOrLeave);
            t::ClickButton(dlg, IDC_STATISTICS);
            t::ClearModalHooks();
            const auto writes = h.RequestsOf(protocol::kCmdWriteStatistics);
            if (n < protocol::kStatisticsSize) {
                EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kNoAnswer});
                EXPECT_EQ(writes.size(), writesBefore);
            } else {
                ASSERT_EQ(writes.size(), writesBefore + 1);
                ASSERT_EQ(writes.back().length, protocol::kStatisticsSize);
                EXPECT_EQ(std::string(reinterpret_cast<const char*>(writes.back().data),
                                      protocol::kStatisticsSize),
                          statistics.substr(0, protocol::kStatisticsSize));
            }
        }
        // Nothing that the device did not send was ever written to it.
        EXPECT_EQ(CommandCount(h, protocol::kCmdSetClock), 0u);
        EXPECT_EQ(CommandCount(h, protocol::kCmdSetPosition), 0u);
        EXPECT_EQ(CommandCount(h, protocol::kCmdWriteChunk), 0u);

        // And the link still works as before.
        h.ClearBoxes();
        t::ClickButton(dlg, IDC_VERSIONS);
        EXPECT_TRUE(h.Boxes().empty());
    });
}

TEST_F(HostileReplies, LiveStatusShorterThanTheRecordShowsNothing) {
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        for (std::size_t n = 0; n <= kMaxData; ++n) {
            ReplaceNextReply(h, protocol::kCmdLiveStatus, RandomBytes(rng, n),
                             static_cast<unsigned>(n + 1));
        }
        const std::uint64_t base = CommandCount(h, protocol::kCmdLiveStatus);
        for (std::size_t n = 0; n <= kMaxData; ++n) {
            SCOPED_TRACE("data bytes " + std::to_string(n));
            dlg.PollStatus(0);
            dlg.PollStatus(1);
            ASSERT_TRUE(t::WaitUntil(
                [&] {
                    return CommandCount(h, protocol::kCmdLiveStatus) == base + n + 1 &&
                           !dlg.Queue().IsBusy();
                },
                3000));
            t::ProcessEvents(0);
            const std::string shown = t::GetControlText(dlg, IDC_STATUS_SPEED);
            if (n < protocol::kLiveStatusSize) {
                EXPECT_EQ(shown, kStatusIdleText);
            } else {
                EXPECT_NE(shown, kStatusIdleText);
            }
        }
        dlg.PollStatus(0);
        EXPECT_TRUE(h.Boxes().empty());
    });
}

// One hostile reply of every length and count, from a device that echoes the address: the
// chunk is asked again and the read goes on; only a reply that carries the whole block as
// asked is taken.
TEST_F(HostileReplies, ReadChunkWithAnyCountCopiesNothingItDidNotCarry) {
    const std::size_t blockSize = protocol::BlockSize(protocol::kBlockConfiguration);
    const std::uint32_t address = protocol::BlockAddress(protocol::kBlockConfiguration);
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        for (std::size_t n = 0; n <= kMaxData; ++n) {
            const int counts[] = {
                static_cast<int>(rng() & 0xFF),
                n >= protocol::kChunkHeader ? static_cast<int>(n - protocol::kChunkHeader) : 0,
                static_cast<int>(blockSize),
                static_cast<int>(blockSize) + 1,
                static_cast<int>(protocol::kChunkData),
                255};
            for (const int count : counts) {
                SCOPED_TRACE("data bytes " + std::to_string(n) + ", count " +
                             std::to_string(count));
                std::string data = EchoingAddress(RandomBytes(rng, n), address);
                if (n > 4) {
                    data[4] = static_cast<char>(count);
                }
                ReplaceNextReply(h, protocol::kCmdReadChunk, data);
                ClearSimLog(h);
                h.ClearBoxes();
                bool editorShown = false;
                t::AddModalHook(IDD_DANE_BAZOWE, [&](CDialog& d) {
                    editorShown = true;
                    t::ClickButton(d, IDCANCEL);
                });
                t::ClickButton(dlg, IDC_CONFIGURATION);
                t::ClearModalHooks();
                const bool whole = n >= protocol::kChunkHeader + blockSize && n > 4 &&
                                   static_cast<std::size_t>(count) == blockSize;
                EXPECT_TRUE(editorShown);
                EXPECT_TRUE(h.Boxes().empty());
                // A slow reply under load may cost a try more, never the read.
                EXPECT_GE(CommandCount(h, protocol::kCmdReadChunk), whole ? 1u : 2u);
            }
        }
        EXPECT_EQ(CommandCount(h, protocol::kCmdWriteChunk), 0u);
    });
}

// Every try of the recorder's first chunk answered with a hostile reply: the readout fails
// after the last try and the image keeps what it held.
TEST_F(HostileReplies, HostileFirstRecorderChunkLeavesTheImageUntouched) {
    const std::uint32_t address = protocol::BlockAddress(protocol::kBlockRecorder);
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        const std::vector<std::uint8_t> before(dlg.MemoryImage(),
                                               dlg.MemoryImage() + protocol::kRecorderSize);
        for (const std::size_t n : {std::size_t{0}, std::size_t{4}, std::size_t{5}, std::size_t{40},
                                    std::size_t{61}, kMaxData}) {
            SCOPED_TRACE("data bytes " + std::to_string(n));
            std::string data = EchoingAddress(RandomBytes(rng, n), address);
            if (n > 4) {
                // One more than the frame carries, or than was asked for.
                data[4] = static_cast<char>(n == kMaxData ? protocol::kChunkData + 1 : n - 4);
            }
            // The readout reads the device's factory number, one chunk, before the recorder;
            // every try of the first recorder chunk gets the hostile reply until the chunk is
            // given up, after five tries and three seconds.
            t_fault_rule hostile = FaultRule(SimFault::ReplaceReply, protocol::kCmdReadChunk);
            hostile.skip = 1;
            hostile.text = data;
            h.Sim().WithDevice([&](DeviceSimulator& d) { d.AddFault(hostile); });
            ClearSimLog(h);
            h.ClearBoxes();
            const std::int64_t start = SteadyMs();
            t::ClickButton(dlg, IDC_READ_RECORDER);
            h.Sim().WithDevice([](DeviceSimulator& d) { d.ClearFaults(); });
            EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kBadReply});
            EXPECT_GE(CommandCount(h, protocol::kCmdReadChunk),
                      static_cast<std::uint64_t>(1 + CBlockTransfer::kMaxReadTries));
            EXPECT_GE(SteadyMs() - start, CBlockTransfer::kMinReadGiveUpMs);
            for (const t_transfer_data& r : h.RequestsOf(protocol::kCmdReadChunk)) {
                EXPECT_NE(r.data[0] | r.data[1] << 8, protocol::kChunkData) << "no second chunk";
            }
            EXPECT_TRUE(std::equal(before.begin(), before.end(), dlg.MemoryImage()));
        }
    });
}

TEST_F(HostileReplies, WriteConfirmationCountsOnlyAStatusByteOfOne) {
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        for (std::size_t n = 0; n <= kMaxData; ++n) {
            SCOPED_TRACE("data bytes " + std::to_string(n));
            std::string data = RandomBytes(rng, n);
            if (n > 0 && (n % 2) == 1) {
                data[0] = 1;
            }
            const bool confirmed = n > 0 && data[0] == 1;
            ReplaceNextReply(h, protocol::kCmdWriteChunk, data);
            const std::uint64_t closesBefore = CommandCount(h, protocol::kCmdCloseWrite);
            h.ClearBoxes();
            t::AddModalHook(IDD_DANE_BAZOWE, SaveOrLeave);
            t::ClickButton(dlg, IDC_CONFIGURATION);
            t::ClearModalHooks();
            if (confirmed) {
                EXPECT_TRUE(h.Boxes().empty());
                EXPECT_EQ(CommandCount(h, protocol::kCmdCloseWrite), closesBefore + 1);
            } else {
                EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{kVerifyFailed});
                EXPECT_EQ(CommandCount(h, protocol::kCmdCloseWrite), closesBefore);
            }
        }
    });
}

TEST_F(HostileReplies, AnyReplyToTheCloseCommandCompletesTheWrite) {
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        for (std::size_t n = 0; n <= kMaxData; n += 3) {
            SCOPED_TRACE("data bytes " + std::to_string(n));
            ReplaceNextReply(h, protocol::kCmdCloseWrite, RandomBytes(rng, n));
            h.ClearBoxes();
            t::AddModalHook(IDD_DANE_BAZOWE, SaveOrLeave);
            t::ClickButton(dlg, IDC_CONFIGURATION);
            t::ClearModalHooks();
            EXPECT_TRUE(h.Boxes().empty());
            const auto lines = TerminalHarness::ConsoleLines(dlg);
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.back(), kDone);
        }
    });
}

} // namespace
