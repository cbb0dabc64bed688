// The block transfer box: settings blocks read and written against the simulated device,
// and replies that the device should never send handed to the queue by the test.

#include "link/link_stack.h"
#include "link/ui/dlg_nv_progress.h"
#include "res/resource.h"
#include "tests/link/fake_link_host.h"
#include "tests/link/link_test_util.h"

#include <gtest/gtest.h>

using afx::testing::AddModalHook;
using afx::testing::WaitUntil;

namespace {

std::uint32_t AddressOf(const t_transfer_data& request) {
    return request.data[0] | request.data[1] << 8 | request.data[2] << 16 |
           static_cast<std::uint32_t>(request.data[3]) << 24;
}

std::vector<std::uint8_t> DeviceBytes(TerminalHarness& h, std::uint32_t address, std::size_t n) {
    return h.Sim().WithDevice([&](DeviceSimulator& d) { return d.Memory().Bytes(address, n); });
}

std::vector<std::uint8_t> BufferBytes(CDlgNVProgress& box, std::size_t n) {
    return {box.GetData(), box.GetData() + n};
}

t_harness_options Offline() {
    t_harness_options options;
    options.startSimulator = false;
    return options;
}

// A block transfer box on a fake host whose link is down: the test plays the device by
// handing frames to the queue and firing its time-outs, from inside the box's modal loop.
struct OfflineTransfer {
    FakeLinkHost host;
    CLinkStack stack{host};
    CQueue& queue = stack.Queue();
    CDlgNVProgress box{host, stack.Driver()};
    std::vector<afx::testing::MessageBoxRecord>& boxes = afx::testing::RecordMessageBoxes();

    // Runs the box; once it is shown, the device gives each answer in turn (a frame, or
    // none: the request times out) and the queue delivers it. before(shown) runs before
    // each answer.
    int Run(const std::vector<std::optional<t_transfer_data>>& answers,
            const std::function<void(CDialog&)>& before = {}) {
        AddModalHook(IDD_NV_PROGRESS, [&](CDialog& shown) {
            for (const auto& answer : answers) {
                if (before) {
                    before(shown);
                }
                if (answer) {
                    queue.OnFrame(*answer);
                } else {
                    ASSERT_EQ(host.timers.size(), 1u);
                    EXPECT_EQ(host.timers[0].delayMs, 1500);
                    host.FireTimers();
                }
                host.Deliver();
            }
        });
        const int result = box.DoModal();
        queue.ClearQueue();
        return result;
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& b : boxes) {
            texts.push_back(b.text);
        }
        return texts;
    }
};

// A read reply carrying count bytes of value.
t_transfer_data ChunkReply(int count, std::uint8_t value) {
    std::vector<std::uint8_t> data(5 + count, value);
    data[4] = static_cast<std::uint8_t>(count);
    return MakeRecord(31, 1, 40, data);
}

} // namespace

TEST(BlockTransfer, SmallBlockIsReadWithOneChunk) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        CDlgNVProgress& box = dlg.ProgressDialog();
        box.SetRead(2);
        EXPECT_EQ(box.DoModal(), IDOK);
        const auto chunks = h.RequestsOf(protocol::kCmdReadChunk);
        ASSERT_EQ(chunks.size(), 1u);
        EXPECT_EQ(chunks[0].length, 5);
        EXPECT_EQ(AddressOf(chunks[0]), 0x100000u);
        EXPECT_EQ(chunks[0].data[4], 50);
        EXPECT_EQ(BufferBytes(box, 50), DeviceBytes(h, 0x100000, 50));
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], "Transmisja 50B");
        EXPECT_EQ(lines.back(), "koniec transmisji");
    });
    EXPECT_TRUE(h.Boxes().empty());
}

TEST(BlockTransfer, BarStepsOverEachChunkWhenItIsAskedFor) {
    OfflineTransfer t;
    t.box.SetRead(4);
    std::vector<int> positions;
    EXPECT_EQ(t.Run({ChunkReply(57, 1), ChunkReply(57, 2), ChunkReply(26, 3)},
                    [&](CDialog& shown) {
                        positions.push_back(afx::testing::ProgressPos(shown, IDC_PROGRESS));
                    }),
              IDOK);
    EXPECT_EQ(positions, (std::vector<int>{57, 114, 140}));
    std::vector<std::uint8_t> expected(57, 1);
    expected.resize(114, 2);
    expected.resize(140, 3);
    EXPECT_EQ(BufferBytes(t.box, 140), expected);
    EXPECT_EQ(t.host.console, (std::vector<std::string>{"Transmisja 140B", "koniec transmisji"}));
}

TEST(BlockTransfer, WrittenBlockIsConfirmedThenClosed) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        std::vector<std::uint8_t> block(25);
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<std::uint8_t>(0xA0 + i);
        }
        CDlgNVProgress& box = dlg.ProgressDialog();
        box.SetWrite(5, block.data());
        EXPECT_EQ(box.DoModal(), IDOK);
        const auto writes = h.RequestsOf(protocol::kCmdWriteChunk);
        ASSERT_EQ(writes.size(), 1u);
        EXPECT_EQ(writes[0].length, 30);
        EXPECT_EQ(AddressOf(writes[0]), 0x100134u);
        EXPECT_EQ(writes[0].data[4], 25);
        EXPECT_EQ(std::vector<std::uint8_t>(writes[0].data + 5, writes[0].data + 30), block);
        const auto closes = h.RequestsOf(protocol::kCmdCloseWrite);
        ASSERT_EQ(closes.size(), 1u);
        EXPECT_EQ(closes[0].length, 1);
        EXPECT_EQ(closes[0].data[0], 5);
        EXPECT_EQ(DeviceBytes(h, 0x100134, 25), block);
    });
    EXPECT_TRUE(h.Boxes().empty());
}

TEST(BlockTransfer, AbortEndsAtOnceAndTheLateReplyChangesNothing) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        h.Sim().WithDevice([](DeviceSimulator& d) { d.SetReplyDelayMs(1500); });
        CDlgNVProgress& box = dlg.ProgressDialog();
        box.SetRead(4);
        AddModalHook(IDD_NV_PROGRESS,
                     [](CDialog& shown) { afx::testing::ClickButton(shown, IDC_CANCEL); });
        const std::uint32_t frames = dlg.Transfer().LineCounters().frames;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(box.DoModal(), IDCANCEL);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
        const auto before = BufferBytes(box, 140);
        const std::size_t lineCount = TerminalHarness::ConsoleLines(dlg).size();
        // The reply to the first chunk arrives; a text line sent after it reaches the console
        // once the window has been handed the reply.
        ASSERT_TRUE(WaitUntil([&] { return dlg.Transfer().LineCounters().frames > frames; }));
        h.Sim().WithDevice([](DeviceSimulator& d) { d.SendText("po odpowiedzi"); });
        ASSERT_TRUE(TerminalHarness::WaitForConsoleLine(dlg, "po odpowiedzi"));
        EXPECT_EQ(h.RequestsOf(protocol::kCmdReadChunk).size(), 1u);
        EXPECT_EQ(BufferBytes(box, 140), before);
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).size(), lineCount + 1);
    });
    EXPECT_TRUE(h.Boxes().empty());
}

TEST(BlockTransfer, NewTransferRightAfterAnAbortIgnoresTheOldReply) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        h.Sim().WithDevice([](DeviceSimulator& d) { d.SetReplyDelayMs(300); });
        CDlgNVProgress& box = dlg.ProgressDialog();
        box.SetRead(2);
        AddModalHook(IDD_NV_PROGRESS,
                     [](CDialog& shown) { afx::testing::ClickButton(shown, IDC_CANCEL); });
        EXPECT_EQ(box.DoModal(), IDCANCEL);

        // The 50-byte reply of block 2 arrives while block 3 waits for its first chunk.
        box.SetRead(3);
        EXPECT_EQ(box.DoModal(), IDOK);
        EXPECT_EQ(BufferBytes(box, 118), DeviceBytes(h, 0x100032, 118));
        EXPECT_EQ(h.RequestsOf(protocol::kCmdReadChunk).size(), 4u); // 1 + 57, 57, 4
    });
    EXPECT_TRUE(h.Boxes().empty());
}

TEST(BlockTransfer, FailureShowsItsBoxThenEndsAsAborted) {
    struct Case {
        const char* what;
        bool write;
        std::vector<std::optional<t_transfer_data>> answers;
        const char* box;
    };
    const Case cases[] = {
        {"every try of a read chunk failed",
         false,
         {std::nullopt, ChunkReply(49, 0), std::nullopt, std::nullopt, ChunkReply(49, 0)},
         "Błędna odpowiedź urządzenia"},
        {"write refused",
         true,
         {MakeRecord(31, 1, 39, {0})},
         "Błąd przy weryfikacji zapisu do pamieci !"},
        {"silent at the close",
         true,
         {MakeRecord(31, 1, 39, {1}), std::nullopt},
         "Urządzenie nie odpowiada"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OfflineTransfer t;
        std::vector<std::uint8_t> block(25, 1);
        if (c.write) {
            t.box.SetWrite(5, block.data());
        } else {
            t.box.SetRead(2);
        }
        EXPECT_EQ(t.Run(c.answers), IDCANCEL);
        EXPECT_EQ(t.BoxTexts(), std::vector<std::string>{c.box});
        ASSERT_FALSE(t.host.console.empty());
        EXPECT_EQ(t.host.console.back(), "Przerwano transmisję");
    }
}

TEST(BlockTransfer, UnknownBlockEndsAtOnce) {
    OfflineTransfer t;
    t.box.SetRead(9);
    EXPECT_EQ(t.box.DoModal(), IDOK);
    EXPECT_EQ(t.host.console, (std::vector<std::string>{"Transmisja 0B", "koniec transmisji"}));
    EXPECT_FALSE(t.queue.IsBusy());
}

TEST(BlockTransfer, ProgressBoxLooksAsItsTemplateSays) {
    TerminalHarness h(Offline());
    h.Run([&](CLWDlg& dlg) {
        CDlgNVProgress& box = dlg.ProgressDialog();
        box.SetRead(4);
        AddModalHook(IDD_NV_PROGRESS, [](CDialog& shown) {
            EXPECT_EQ(afx::testing::WindowCaption(shown), "Postęp");
            EXPECT_EQ(afx::testing::ClientSize(shown), CSize(279, 96));
            int lower = -1, upper = -1;
            afx::testing::ProgressRange(shown, IDC_PROGRESS, lower, upper);
            EXPECT_EQ(lower, 0);
            EXPECT_EQ(upper, 140);
            EXPECT_EQ(afx::testing::ProgressPos(shown, IDC_PROGRESS), 57);
            EXPECT_EQ(afx::testing::GetControlText(shown, IDC_CANCEL), "Przerwij");
            afx::testing::GrabWindow(shown).SavePng("/tmp/link_progress_box.png");
            afx::testing::ClickButton(shown, IDC_CANCEL);
        });
        EXPECT_EQ(box.DoModal(), IDCANCEL);
        dlg.Queue().ClearQueue();
    });
}
