// A readout after a readout: the device did something between the two, and the second one,
// asked to read only what is new, reads that alone or everything, and ends byte for byte
// with the device's memory either way.

#include "base/device_time.h"
#include "link/protocol.h"
#include "measure/kept_image.h"
#include "measure/recorder_end_marker.h"
#include "measure/repeat_readout.h"
#include "res/resource.h"
#include "sim/recorder_content.h"
#include "tests/reliability/reliability_util.h"
#include "tests/support/file_bytes.h"
#include "tests/support/terminal_harness.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>

namespace t = afx::testing;
using namespace reliability;

namespace {

constexpr std::uint32_t kRing = protocol::kRecorderSize;
constexpr unsigned kRecorderChunks = (kRing + protocol::kChunkData - 1) / protocol::kChunkData;

// What happens on the device between the two readouts.
enum class Meanwhile {
    Nothing,
    Record10Minutes,
    RecordPastTheRingsEnd, // the end marker was 300 bytes before the ring's end
    EraseAhead,            // recorded, then erased ahead of the end marker
    Wipe,                  // every byte erased
    MoreThanOneLap,
    ChangeOneChunk,          // far from the end marker, where the compare looks
    SameIdentityOtherMemory, // another device that names itself alike
    OtherDevice,             // another factory number: the first device's image is kept
    DamagedKeptImage,        // one byte of the kept file changed
    CutThenRepeat,           // the repeat readout is cut; the next one repeats
};

struct t_repeat_case {
    const char* name;
    Meanwhile meanwhile;
    bool repeat;       // read as a repeat readout
    unsigned maxReads; // recorder reads net of retries; 0: a full readout (all of them)
};

std::uint32_t EndMarker(TerminalHarness& h) {
    const auto recorder = Recorder(h);
    return *RecorderEndMarker(recorder.data(), recorder.size());
}

// The recorder reads the simulator received (addresses inside the recorder), a chunk asked
// again right after itself left out as a retry.
unsigned RecorderReadsNet(TerminalHarness& h) {
    const std::uint32_t base = protocol::BlockAddress(protocol::kBlockRecorder);
    unsigned reads = 0;
    std::uint32_t last = ~0u;
    for (const t_transfer_data& r : h.RequestsOf(protocol::kCmdReadChunk)) {
        const std::uint32_t address = r.data[0] | r.data[1] << 8 | r.data[2] << 16 |
                                      static_cast<std::uint32_t>(r.data[3]) << 24;
        if (address >= base && address < base + kRing && address != last) {
            ++reads;
        }
        last = address;
    }
    return reads;
}

std::uint16_t FactoryNumber(TerminalHarness& h) {
    const auto block = SettingsBlock(h, protocol::kBlockConfiguration);
    return static_cast<std::uint16_t>(block[2] | block[3] << 8);
}

// The kept image made `seconds` older, as if read that long ago.
void AgeKeptImage(const std::string& path, std::int64_t seconds) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    t_kept_image kept;
    ASSERT_TRUE(ParseKeptImage(bytes.data(), bytes.size(), kept));
    kept.readoutTime -= seconds;
    kept.fullReadoutTime -= seconds;
    ASSERT_TRUE(CKeptImageHolder::Write(path, kept));
}

t_device_time Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return MakeDeviceTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec);
}

class RepeatReadout : public ::testing::TestWithParam<t_repeat_case> {
protected:
    void SetUp() override { SetRepeatReadoutSeedForTest(7); }
    void TearDown() override {
        SetRepeatReadoutSeedForTest(0);
        t::ClearModalHooks();
    }
    TerminalHarness h;
};

} // namespace

TEST_P(RepeatReadout, SecondReadoutReadsWhatIsNewOrAllAndGivesTheWholeMemory) {
    const t_repeat_case& c = GetParam();
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg));
        if (c.meanwhile == Meanwhile::RecordPastTheRingsEnd) {
            h.Sim().WithDevice([](DeviceSimulator& d) {
                auto& recorder = d.Memory().Recorder();
                std::replace(recorder.begin(), recorder.end(), protocol::kRecorderEndMarker,
                             std::uint8_t{0x10});
                recorder[kRing - 300] = protocol::kRecorderEndMarker;
            });
        }
        t::ClickButton(dlg, IDC_READ_RECORDER);
        ASSERT_EQ(TerminalHarness::ConsoleLines(dlg).back(), kDone);
        ASSERT_TRUE(h.BoxTexts().empty()) << h.BoxTexts()[0];
        const std::string keptPath = h.PathOf("obraz-" + std::to_string(FactoryNumber(h)) + ".img");
        ASSERT_TRUE(std::filesystem::exists(keptPath));
        EXPECT_EQ(std::filesystem::status(keptPath).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        AgeKeptImage(keptPath, 700);
        const std::uint32_t oldMarker = EndMarker(h);

        h.Sim().WithDevice([&](DeviceSimulator& d) {
            DeviceMemory& m = d.Memory();
            switch (c.meanwhile) {
            case Meanwhile::Record10Minutes:
            case Meanwhile::RecordPastTheRingsEnd:
            case Meanwhile::CutThenRepeat:
                m.Record(600, Now());
                break;
            case Meanwhile::EraseAhead:
                m.Record(600, Now());
                m.EraseAheadOfEndMarker();
                break;
            case Meanwhile::Wipe:
                std::fill(m.Recorder().begin(), m.Recorder().end(), protocol::kRecorderEndMarker);
                break;
            case Meanwhile::MoreThanOneLap:
                m.Record(kRing / 3 + 1000, Now());
                break;
            case Meanwhile::ChangeOneChunk: {
                const std::uint32_t chunk = oldMarker / protocol::kChunkData;
                const std::uint32_t before = (chunk + kRecorderChunks - 1) % kRecorderChunks;
                m.Recorder()[before * protocol::kChunkData] ^= 0x01;
                break;
            }
            case Meanwhile::SameIdentityOtherMemory: {
                t_recorder_options options;
                options.seed = 99;
                options.now = std::time(nullptr);
                m.Recorder() = GenerateRecorderImage(options);
                break;
            }
            case Meanwhile::Nothing:
            case Meanwhile::OtherDevice:
            case Meanwhile::DamagedKeptImage:
                break;
            }
        });
        if (c.meanwhile == Meanwhile::OtherDevice) {
            auto block = SettingsBlock(h, protocol::kBlockConfiguration);
            block[2] ^= 0x01;
            SetSettingsBlock(h, protocol::kBlockConfiguration, block);
        }
        if (c.meanwhile == Meanwhile::DamagedKeptImage) {
            std::vector<std::uint8_t> bytes = ReadBytes(keptPath);
            bytes[bytes.size() / 2] ^= 0x01;
            WriteBytes(keptPath, bytes);
        }
        const std::vector<std::uint8_t> keptBefore = ReadBytes(keptPath);
        if (c.meanwhile == Meanwhile::CutThenRepeat) {
            // Cut in the middle of the new bytes: nothing kept changes, and the next readout
            // repeats.
            h.Sim().WithDevice([](DeviceSimulator& d) {
                d.AddFault(FaultRule(SimFault::FallSilent, protocol::kCmdReadChunk, 1 + 10));
            });
            h.AnswerNext(IDYES);
            t::ClickButton(dlg, IDC_READ_RECORDER);
            EXPECT_EQ(ReadBytes(keptPath), keptBefore);
            EXPECT_FALSE(std::filesystem::exists(
                h.PathOf("odczyt-" + std::to_string(FactoryNumber(h)) + ".part")));
            h.Sim().WithDevice([](DeviceSimulator& d) {
                d.ClearFaults();
                d.SetSilent(false);
            });
        }
        ClearSimLog(h);
        h.ClearBoxes();
        int progressBoxes = 0;
        t::AddModalHook(IDD_NV_PROGRESS, [&](CDialog&) { ++progressBoxes; });
        h.AnswerNext(IDYES);
        t::ClickButton(dlg, IDC_READ_RECORDER);
        t::ClearModalHooks();

        const auto lines = TerminalHarness::ConsoleLines(dlg);
        EXPECT_EQ(lines[lines.size() - (c.repeat ? 2 : 1)], kDone);
        const auto recorder = Recorder(h);
        EXPECT_TRUE(std::equal(recorder.begin(), recorder.end(), dlg.MemoryImage()));
        const auto boxes = h.BoxTexts();
        const bool asked = !boxes.empty() && boxes[0].rfind("Odczytać tylko nowe pomiary od "
                                                            "odczytu z 20",
                                                            0) == 0;
        const bool keptUsable =
            c.meanwhile != Meanwhile::OtherDevice && c.meanwhile != Meanwhile::DamagedKeptImage;
        EXPECT_EQ(asked, keptUsable) << (boxes.empty() ? "" : boxes[0]);
        const bool repeated = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("Odczyt tylko nowych pomiarów od odczytu z ", 0) == 0;
        });
        EXPECT_EQ(repeated, c.repeat);
        const unsigned reads = RecorderReadsNet(h);
        if (c.repeat) {
            EXPECT_LE(reads, c.maxReads);
            EXPECT_EQ(progressBoxes, 1);
        } else {
            EXPECT_GE(reads, kRecorderChunks);
        }
        if (c.meanwhile == Meanwhile::OtherDevice) {
            EXPECT_EQ(ReadBytes(keptPath), keptBefore) << "another device's image is kept";
        }
    });
}

const t_repeat_case kRepeatCases[] = {
    {"NothingRecorded", Meanwhile::Nothing, true, 20},
    {"TenMinutesRecorded", Meanwhile::Record10Minutes, true, 80},
    {"RecordingWrappedPastTheRingsEnd", Meanwhile::RecordPastTheRingsEnd, true, 80},
    {"EraseAheadOfTheMarker", Meanwhile::EraseAhead, false, 0},
    {"MemoryWiped", Meanwhile::Wipe, false, 0},
    {"MoreThanOneLapRecorded", Meanwhile::MoreThanOneLap, false, 0},
    {"ChangedChunkTheCompareHits", Meanwhile::ChangeOneChunk, false, 0},
    {"OtherMemoryBehindTheSameIdentity", Meanwhile::SameIdentityOtherMemory, false, 0},
    {"KeptImageOfAnotherDeviceNotUsed", Meanwhile::OtherDevice, false, 0},
    {"DamagedKeptImageNotUsed", Meanwhile::DamagedKeptImage, false, 0},
    {"CutRepeatReadoutRepeatsNextTime", Meanwhile::CutThenRepeat, true, 80},
};

INSTANTIATE_TEST_SUITE_P(Reliability, RepeatReadout, ::testing::ValuesIn(kRepeatCases),
                         [](const auto& info) { return std::string(info.param.name); });
