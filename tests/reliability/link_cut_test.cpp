// The line goes away in the middle of a transfer, at a request the test names: the
// simulator closes its side as a cut cable would, or stops answering. The transfer fails with its
// message and without a hang; "Rozłącz" and a new "Połącz" work afterwards and the same transfer
// then succeeds. A cut write is never closed; the device keeps the chunks it took (all of them
// written through, or none when the simulator stages them), which is why the write is worth
// repeating.

#include "framework/testing/test_seams.h"
#include "link/block_transfer.h"
#include "link/protocol.h"
#include "res/resource.h"
#include "tests/reliability/reliability_util.h"
#include "tests/support/terminal_harness.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace t = afx::testing;
using namespace reliability;

namespace {

enum class Cut { Cable, Silence };

std::string CutName(Cut cut) {
    return cut == Cut::Cable ? "CableCut" : "DeviceSilent";
}

class LinkCutBase : public ::testing::Test {
protected:
    void TearDown() override { t::ClearModalHooks(); }
    virtual Cut Kind() const = 0;

    // The line goes at the nth request of the command from now on; that request still
    // reaches the device.
    void CutAt(std::uint8_t command, unsigned nth) {
        const SimFault fault = Kind() == Cut::Cable ? SimFault::CutLine : SimFault::FallSilent;
        h.Sim().WithDevice([&](DeviceSimulator& d) { d.AddFault(FaultRule(fault, command, nth)); });
    }
    void Mend() {
        if (Kind() == Cut::Cable) {
            ASSERT_TRUE(h.Sim().Start());
        } else {
            h.Sim().WithDevice([](DeviceSimulator& d) { d.SetSilent(false); });
        }
    }
    bool Contains(const std::string& text) {
        const auto texts = h.BoxTexts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    TerminalHarness h;
};

class LinkCut : public LinkCutBase, public ::testing::WithParamInterface<Cut> {
protected:
    Cut Kind() const override { return GetParam(); }
};

// Writes, with the simulator writing chunks through and staging them.
class LinkCutWrite : public LinkCutBase,
                     public ::testing::WithParamInterface<std::tuple<Cut, DeviceWrites>> {
protected:
    void SetUp() override { SetDeviceWrites(h, Writes()); }
    Cut Kind() const override { return std::get<0>(GetParam()); }
    DeviceWrites Writes() const { return std::get<1>(GetParam()); }
};

TEST_P(LinkCut, ReadoutFailsCleanlyAndSucceedsWholeAfterReconnecting) {
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        const std::vector<std::uint8_t> before(dlg.MemoryImage(),
                                               dlg.MemoryImage() + protocol::kRecorderSize);
        CutAt(protocol::kCmdReadChunk, 500);
        t::ClickButton(dlg, IDC_READ_RECORDER);
        // A silent device is asked the 500th chunk again until its tries are spent; a cut
        // line ends the readout at once.
        const unsigned asked = Kind() == Cut::Silence ? 499 + CBlockTransfer::kMaxReadTries : 500;
        EXPECT_EQ(CommandCount(h, protocol::kCmdReadChunk), asked);
        EXPECT_TRUE(Contains(kNoAnswer));
        EXPECT_TRUE(std::equal(before.begin(), before.end(), dlg.MemoryImage()));
        EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg), kAborted), 1);

        ASSERT_TRUE(h.Disconnect(dlg));
        Mend();
        ASSERT_TRUE(Reconnect(h, dlg));
        h.ClearBoxes();
        t::ClickButton(dlg, IDC_READ_RECORDER);
        EXPECT_TRUE(h.Boxes().empty());
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(), kDone);
        const auto recorder = Recorder(h);
        EXPECT_TRUE(std::equal(recorder.begin(), recorder.end(), dlg.MemoryImage()));
    });
}

TEST_P(LinkCutWrite, SettingsWriteFailsCleanlyAndIsNeverClosed) {
    const int block = protocol::kBlockRelays;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        const auto original = SettingsBlock(h, block);
        auto changed = original;
        for (auto& b : changed) {
            b ^= 0xA5;
        }
        const std::vector<std::uint8_t> image(dlg.MemoryImage(),
                                              dlg.MemoryImage() + protocol::kRecorderSize);
        // The read runs whole; the write is cut at its first chunk, which the device takes.
        // The stored block is changed behind the terminal's back so that any write would show.
        int edits = 0;
        t::AddModalHook(IDD_PRZEK, [&](CDialog& d) {
            ++edits;
            SetSettingsBlock(h, block, changed);
            SaveOrLeave(d);
        });
        CutAt(protocol::kCmdWriteChunk, 1);
        t::ClickButton(dlg, IDC_RELAYS);
        EXPECT_EQ(CommandCount(h, protocol::kCmdWriteChunk), 1u);
        EXPECT_TRUE(Contains(kNoAnswer));
        EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg), kAborted), 1);
        EXPECT_EQ(CommandCount(h, protocol::kCmdCloseWrite), 0u);
        EXPECT_EQ(edits, 1);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), dlg.MemoryImage()));
        EXPECT_EQ(SettingsBlock(h, block), BlockAfterWrite(h, block, changed, Writes()));

        ASSERT_TRUE(h.Disconnect(dlg));
        Mend();
        ASSERT_TRUE(Reconnect(h, dlg));
        ClearSimLog(h);
        h.ClearBoxes();
        t::AddModalHook(IDD_PRZEK, SaveOrLeave);
        t::ClickButton(dlg, IDC_RELAYS);
        EXPECT_TRUE(h.Boxes().empty());
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(), kDone);
        EXPECT_EQ(CommandCount(h, protocol::kCmdCloseWrite), 1u);
        EXPECT_EQ(SettingsBlock(h, block), WrittenBytes(h));
    });
}

INSTANTIATE_TEST_SUITE_P(Reliability, LinkCut, ::testing::Values(Cut::Cable, Cut::Silence),
                         [](const auto& info) { return CutName(info.param); });
INSTANTIATE_TEST_SUITE_P(Reliability, LinkCutWrite,
                         ::testing::Combine(::testing::Values(Cut::Cable, Cut::Silence),
                                            ::testing::Values(DeviceWrites::Through,
                                                              DeviceWrites::Staged)),
                         [](const auto& info) {
                             return CutName(std::get<0>(info.param)) +
                                    WritesName(std::get<1>(info.param));
                         });

} // namespace
