// The line goes away in the middle of a transfer, at a request the test names: the
// simulator closes its side as a cut cable would, or stops answering. The transfer fails with its
// message and without a hang; "Rozłącz" and a new "Połącz" work afterwards. A cut readout is
// continued from its part; a cut write is never closed, and the device keeps the chunks it took
// (all of them written through, or none when the simulator stages them), which is why the write
// is then repeated whole.

#include "framework/testing/test_seams.h"
#include "link/block_transfer.h"
#include "link/protocol.h"
#include "link/ui/dlg_nv_progress.h"
#include "measure/readout_part.h"
#include "res/resource.h"
#include "tests/reliability/reliability_util.h"
#include "tests/support/terminal_harness.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace t = afx::testing;
using namespace reliability;

namespace {

// Abort: the silence, ended by "Przerwij" before the tries are spent.
enum class Cut { Cable, Silence, Abort };

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

// Writes, with the simulator writing chunks through and staging them.
class LinkCutWrite : public LinkCutBase,
                     public ::testing::WithParamInterface<std::tuple<Cut, DeviceWrites>> {
protected:
    void SetUp() override { SetDeviceWrites(h, Writes()); }
    Cut Kind() const override { return std::get<0>(GetParam()); }
    DeviceWrites Writes() const { return std::get<1>(GetParam()); }
};

// A cut readout, then "Odczyt pomiarów" again. What the second readout does depends on the
// answer to its question and on what changed on the device since the cut.
enum class After {
    Continue,      // "Tak": read on from the part
    Restart,       // "Nie": from the beginning, the part dropped
    MemoryChanged, // "Tak", but the device recorded since: the join check starts over
    OtherDevice,   // another device on the line: not asked, its part left alone
};

struct t_cut_case {
    const char* name;
    Cut cut;
    After after;
};

class ReadoutCut : public LinkCutBase, public ::testing::WithParamInterface<t_cut_case> {
protected:
    Cut Kind() const override { return GetParam().cut; }
};

// Chunks of the recorder read before the line goes: about half of them.
constexpr unsigned kChunksBeforeCut = 4167;
constexpr unsigned kRecorderChunks = 8336;

std::uint16_t FactoryNumber(TerminalHarness& h) {
    const auto block = SettingsBlock(h, protocol::kBlockConfiguration);
    return static_cast<std::uint16_t>(block[2] | block[3] << 8);
}

TEST_P(ReadoutCut, SecondReadoutContinuesOrStartsOverAndGivesTheWholeMemory) {
    const t_cut_case& c = GetParam();
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        const std::vector<std::uint8_t> before(dlg.MemoryImage(),
                                               dlg.MemoryImage() + protocol::kRecorderSize);
        // The first read chunk is the factory number's, in block 2. On a loaded machine a
        // reply may come after its wait and its chunk be asked again: the cut then comes a
        // chunk or so earlier, and the part tells where.
        CutAt(protocol::kCmdReadChunk, 1 + kChunksBeforeCut + 1);
        if (c.cut == Cut::Abort) {
            // A device that does not echo is waited for in full: "Przerwij" comes while the
            // silent chunk's first try still waits.
            h.Sim().WithDevice([](DeviceSimulator& d) { d.SetEchoesAddress(false); });
            t::AddModalHook(IDD_NV_PROGRESS, [&](CDialog& box) {
                ASSERT_TRUE(t::WaitUntil(
                    [&] { return CommandCount(h, protocol::kCmdReadChunk) > kChunksBeforeCut + 1; },
                    60000));
                t::ClickButton(box, IDCANCEL);
            });
        }
        t::ClickButton(dlg, IDC_READ_RECORDER);
        t::ClearModalHooks();
        EXPECT_EQ(Contains(kNoAnswer), c.cut != Cut::Abort);
        EXPECT_TRUE(std::equal(before.begin(), before.end(), dlg.MemoryImage()));
        EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg), kAborted), 1);
        const std::uint64_t firstReads = CommandCount(h, protocol::kCmdReadChunk);
        const std::string part = h.PathOf("odczyt-" + std::to_string(FactoryNumber(h)) + ".part");
        t_readout_part held;
        ASSERT_TRUE(ReadReadoutPart(part, held));
        ASSERT_GT(held.bytes.size(), 0u);
        ASSERT_LE(held.bytes.size(), kChunksBeforeCut * protocol::kChunkData);
        EXPECT_TRUE(std::equal(held.bytes.begin(), held.bytes.end(), Recorder(h).begin()));
        // Chunks asked again, over both connections: the silent chunk's tries, and any
        // reply that came after its wait.
        std::uint64_t askedAgain = dlg.Queue().Retries();

        if (c.cut != Cut::Abort) {
            ASSERT_TRUE(h.Disconnect(dlg));
            Mend();
            ASSERT_TRUE(Reconnect(h, dlg));
        } else {
            Mend();
        }
        h.Sim().WithDevice([&](DeviceSimulator& d) {
            d.SetEchoesAddress(true);
            if (c.after == After::MemoryChanged) {
                // A new sample where the part ends: the last chunk held reads otherwise.
                d.Memory().Recorder()[held.bytes.size() - 1] ^= 0x5A;
            }
        });
        if (c.after == After::OtherDevice) {
            auto block = SettingsBlock(h, protocol::kBlockConfiguration);
            block[2] ^= 0x01;
            SetSettingsBlock(h, protocol::kBlockConfiguration, block);
        }
        h.ClearBoxes();
        h.AnswerNext(c.after == After::Restart ? IDNO : IDYES);
        t::ClickButton(dlg, IDC_READ_RECORDER);
        const auto boxes = h.BoxTexts();
        if (c.after == After::OtherDevice) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_TRUE(std::filesystem::exists(part)) << "another device's part is kept";
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].rfind("Dokończyć przerwany odczyt z 20", 0), 0u) << boxes[0];
            EXPECT_NE(
                boxes[0].find(" Odczytano " + std::to_string(held.bytes.size()) + " z 475136 B."),
                std::string::npos)
                << boxes[0];
            EXPECT_FALSE(std::filesystem::exists(part));
        }
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        EXPECT_EQ(lines.back(), kDone);
        EXPECT_EQ(CountLines(lines, "Urządzenie zapisało nowe pomiary od przerwania odczytu: "
                                    "odczyt od początku"),
                  c.after == After::MemoryChanged ? 1 : 0);
        const auto recorder = Recorder(h);
        EXPECT_TRUE(std::equal(recorder.begin(), recorder.end(), dlg.MemoryImage()));
        // The identity's chunk and the two join chunks come on top of the recorder's.
        const std::uint64_t reads = CommandCount(h, protocol::kCmdReadChunk) - firstReads;
        askedAgain =
            c.cut == Cut::Abort ? dlg.Queue().Retries() : askedAgain + dlg.Queue().Retries();
        if (c.after == After::Continue) {
            EXPECT_LE(firstReads + reads - askedAgain, kRecorderChunks + 10u);
        } else {
            EXPECT_GE(reads, 1u + kRecorderChunks);
        }
    });
}

const t_cut_case kCutCases[] = {
    {"DeviceSilentContinued", Cut::Silence, After::Continue},
    {"AbortedContinued", Cut::Abort, After::Continue},
    {"DeviceSilentStartedOver", Cut::Silence, After::Restart},
    {"MemoryChangedAtTheJoin", Cut::Silence, After::MemoryChanged},
    {"OtherDeviceNotAsked", Cut::Silence, After::OtherDevice},
};

// A readout whose port hangs up in the middle (a pulled adapter): its box waits for the
// port, and what happens then.
enum class WhileAway {
    PluggedBack,  // the simulator serves again on a new pseudo-terminal behind COM1
    RecordedOver, // ... and the device recorded over the chunk the readout stopped at
    OtherDevice,  // ... but another device answers there
    NotBack,      // nothing comes back within the (shortened) wait
    Abort,        // "Przerwij" in the waiting box; then "Rozłącz" while the link waits
};

struct t_hang_up_case {
    const char* name;
    WhileAway away;
};

// The adapter stays away: COM1 leads to a node that is not there. The old pseudo-terminal's
// number may be given to another program's new one at any time, as a replugged USB node may
// go to another adapter; that is the identity check's case, not this one.
void PullAdapter(TerminalHarness& h) {
    const std::string link = h.Sim().LinkPath();
    std::filesystem::remove(link);
    std::filesystem::create_symlink(h.PathOf("no-adapter"), link);
}

class ReadoutHangUp : public LinkCutBase, public ::testing::WithParamInterface<t_hang_up_case> {
protected:
    Cut Kind() const override { return Cut::Cable; }
};

TEST_P(ReadoutHangUp, ReadoutWaitsForThePortAndGoesOnByItself) {
    const WhileAway away = GetParam().away;
    const bool back = away == WhileAway::PluggedBack || away == WhileAway::RecordedOver;
    h.Run([&](CLWDlg& dlg) {
        if (away == WhileAway::NotBack) {
            dlg.Transfer().SetPortWaitMs(1500);
        }
        ASSERT_TRUE(h.Connect(dlg));
        const std::string part = h.PathOf("odczyt-" + std::to_string(FactoryNumber(h)) + ".part");
        CutAt(protocol::kCmdReadChunk, 1 + kChunksBeforeCut + 1);
        const auto lost = [&] {
            const auto lines = TerminalHarness::ConsoleLines(dlg);
            return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
                return line.find("zniknął: oczekiwanie na ponowne podłączenie") !=
                       std::string::npos;
            });
        };
        int boxes = 0;
        t::AddModalHook(IDD_NV_PROGRESS, [&](CDialog& box) {
            if (++boxes > 1) {
                return;
            }
            ASSERT_TRUE(t::WaitUntil(lost, 30000));
            EXPECT_FALSE(dlg.GetDlgItem(IDC_READ_RECORDER)->IsWindowEnabled());
            EXPECT_TRUE(dlg.GetDlgItem(IDC_DISCONNECT)->IsWindowEnabled());
            switch (away) {
            case WhileAway::RecordedOver:
                // A new sample where the readout stopped: the last chunk read reads otherwise.
                h.Sim().WithDevice([held = dlg.ProgressDialog().Done()](DeviceSimulator& d) {
                    d.Memory().Recorder()[held - 1] ^= 0x5A;
                });
                [[fallthrough]];
            case WhileAway::PluggedBack:
                Mend();
                break;
            case WhileAway::OtherDevice: {
                auto block = SettingsBlock(h, protocol::kBlockConfiguration);
                block[2] ^= 0x01;
                SetSettingsBlock(h, protocol::kBlockConfiguration, block);
                Mend();
                break;
            }
            case WhileAway::NotBack:
                PullAdapter(h);
                break;
            case WhileAway::Abort:
                PullAdapter(h);
                t::ClickButton(box, IDCANCEL);
                break;
            }
        });
        t::ClickButton(dlg, IDC_READ_RECORDER);
        t::ClearModalHooks();
        const auto recorder = Recorder(h);
        EXPECT_EQ(std::equal(recorder.begin(), recorder.end(), dlg.MemoryImage()), back);
        if (away == WhileAway::Abort) {
            // The link still waits for its port; "Rozłącz" gives that up too.
            EXPECT_TRUE(dlg.Transfer().IsAwaitingPort());
            ASSERT_TRUE(h.Disconnect(dlg));
        }
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        EXPECT_EQ(CountLines(lines, "Urządzenie zapisało nowe pomiary od przerwania odczytu: "
                                    "odczyt od początku"),
                  away == WhileAway::RecordedOver ? 1 : 0);
        EXPECT_EQ(h.BoxTexts().empty(), away != WhileAway::OtherDevice)
            << (h.BoxTexts().empty() ? "" : h.BoxTexts()[0]);
        if (back) {
            EXPECT_EQ(lines.back(), kDone);
            EXPECT_FALSE(std::filesystem::exists(part));
            EXPECT_TRUE(dlg.Transfer().IsConnected());
            const std::uint64_t reads = CommandCount(h, protocol::kCmdReadChunk);
            if (away == WhileAway::PluggedBack) {
                EXPECT_LE(reads - dlg.Queue().Retries(), kRecorderChunks + 10u);
            } else {
                EXPECT_GE(reads, kChunksBeforeCut + kRecorderChunks);
            }
            return;
        }
        // The part stays for the next readout, as after any cut.
        t_readout_part held;
        EXPECT_TRUE(ReadReadoutPart(part, held));
        EXPECT_GT(held.bytes.size(), 0u);
        EXPECT_EQ(dlg.Transfer().IsConnected(), away == WhileAway::OtherDevice);
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& line) {
                                    return line.find("nie został ponownie podłączony") !=
                                           std::string::npos;
                                }),
                  away == WhileAway::NotBack ? 1 : 0);
    });
}

const t_hang_up_case kHangUpCases[] = {
    {"PluggedBackContinues", WhileAway::PluggedBack},
    {"RecordedOverStartsOver", WhileAway::RecordedOver},
    {"OtherDeviceEnds", WhileAway::OtherDevice},
    {"NotBackEndsAfterTheWait", WhileAway::NotBack},
    {"AbortAndDisconnectEndTheWait", WhileAway::Abort},
};

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

INSTANTIATE_TEST_SUITE_P(Reliability, ReadoutCut, ::testing::ValuesIn(kCutCases),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Reliability, ReadoutHangUp, ::testing::ValuesIn(kHangUpCases),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Reliability, LinkCutWrite,
                         ::testing::Combine(::testing::Values(Cut::Cable, Cut::Silence),
                                            ::testing::Values(DeviceWrites::Through,
                                                              DeviceWrites::Staged)),
                         [](const auto& info) {
                             return CutName(std::get<0>(info.param)) +
                                    WritesName(std::get<1>(info.param));
                         });

} // namespace
