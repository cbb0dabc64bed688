// "Odczyt pomiarów" where a cut readout left its part: what the device did since, how its
// line behaves, and whose part it is. Every row ends with the device's memory byte for byte
// in the window; a part that is not the user's own is neither read nor written, and one
// that cannot be written is said on the console while the readout goes on.
//
// The part is planted as a cut at chunk 4,000 leaves it: the device's first bytes under
// its identity. The device then records on from its end marker (DeviceMemory::RecordOn).

#include "base/readout_part_folder.h"
#include "link/protocol.h"
#include "measure/readout_part.h"
#include "tests/reliability/reliability_util.h"
#include "tests/support/file_bytes.h"
#include "tests/support/terminal_harness.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace t = afx::testing;
namespace fs = std::filesystem;
using namespace reliability;

namespace {

// The bytes of the file at path; none for anything that is not a regular file.
std::vector<std::uint8_t> PartBytes(const std::string& path) {
    return fs::is_regular_file(path) ? ReadBytes(path) : std::vector<std::uint8_t>{};
}

constexpr std::uint32_t kRecorderChunks = 8336;
constexpr std::uint32_t kHeldBytes = 4000 * protocol::kChunkData;
constexpr uid_t kOtherUser = 65534; // nobody
constexpr const char* kStartedOver =
    "Urządzenie zapisało nowe pomiary od przerwania odczytu: odczyt od początku";
constexpr const char* kPartNotice = "Nie można zapisać części odczytu ";

enum class Runs { Anyone, AsRoot, AsUser };
// The part planted: none, the device's bytes, other bytes, a directory under its name.
enum class Part { None, Held, Forged, Directory };
enum class Outcome {
    Continued,   // "Tak" reads on after the part
    StartedOver, // the join differs: the console says so and all is read again
    Complete,    // no part to continue: all is read, nothing asked
    Refused,     // the part is not used: the console says why, all is read, nothing asked
};

struct t_join_case {
    const char* name;
    Runs runs = Runs::Anyone;
    std::uint32_t endMarker = 0; // where the device's recording ends; 0: as generated
    Part part = Part::None;
    // After the cut: what the device records from its end marker (bytes), its line faults.
    std::uint32_t recorded = 0;
    std::function<void(DeviceSimulator&)> line = {};
    // The part's folder under the test's folder; empty: the program directory.
    std::function<t_readout_part_folder(const std::string& base)> folder = {};
    Outcome outcome = Outcome::Complete;
    const char* notice = nullptr; // in the console's part line, for Refused
};

// A state folder base/state with its parts' folder re2-terminal/ inside it, made 0700 and
// then given stateMode, re2-terminal/ partsMode.
t_readout_part_folder StateFolder(const std::string& base, fs::perms stateMode,
                                  fs::perms partsMode = fs::perms::owner_all) {
    const std::string state = base + "state";
    fs::create_directories(state + "/re2-terminal");
    fs::permissions(state + "/re2-terminal", partsMode);
    fs::permissions(state, stateMode);
    return {state + "/re2-terminal/", state, ""};
}

t_readout_part_folder PrivateStateFolder(const std::string& base) {
    return StateFolder(base, fs::perms::owner_all);
}

// A state folder in a home of another user, as root with that user's HOME finds it.
t_readout_part_folder StateFolderInAnotherUsersHome(const std::string& base) {
    const std::string home = base + "home";
    fs::create_directory(home);
    EXPECT_EQ(::chown(home.c_str(), kOtherUser, kOtherUser), 0);
    return {home + "/.local/state/re2-terminal/", home + "/.local/state", home};
}

std::function<void(DeviceSimulator&)> ReadChunkFault(SimFault fault, unsigned ms) {
    return [=](DeviceSimulator& d) {
        d.AddFault(TimedFaultRule(fault, ms, protocol::kCmdReadChunk, 101));
    };
}

const t_join_case kJoinCases[] = {
    {.name = "CutBeforeTheEndMarkerThenRecordingWrapsIntoTheHeldBytes",
     .endMarker = 470000,
     .part = Part::Held,
     .recorded = 12000,
     .outcome = Outcome::StartedOver},
    {.name = "CutAfterTheEndMarkerThenRecording",
     .endMarker = 100000,
     .part = Part::Held,
     .recorded = 500,
     .outcome = Outcome::StartedOver},
    {.name = "RecordingEndsExactlyAtTheRingsEnd",
     .endMarker = 470000,
     .part = Part::Held,
     .recorded = protocol::kRecorderSize - 470000,
     .outcome = Outcome::StartedOver},
    {.name = "RecordingAfterThePartOnlyIsReadOn",
     .endMarker = 470000,
     .part = Part::Held,
     .recorded = 1000,
     .outcome = Outcome::Continued},
    {.name = "ReplyOneSecondLate", .line = ReadChunkFault(SimFault::DelayReply, 1000)},
    {.name = "HalfASecondOfSilence", .line = ReadChunkFault(SimFault::SilentFor, 500)},
    {.name = "ForgedPartInAWorldWritableStateFolder",
     .part = Part::Forged,
     .folder = [](const std::string& base) { return StateFolder(base, fs::perms::all); },
     .outcome = Outcome::Refused,
     .notice = "state mogą zmieniać inni użytkownicy"},
    {.name = "ForgedPartInAWorldWritablePartsFolder",
     .part = Part::Forged,
     .folder =
         [](const std::string& base) {
             return StateFolder(base, fs::perms::owner_all, fs::perms::all);
         },
     .outcome = Outcome::Refused,
     .notice = "re2-terminal mogą zmieniać inni użytkownicy"},
    {.name = "ForgedPartOfAnotherUser",
     .runs = Runs::AsRoot,
     .part = Part::Forged,
     .folder = PrivateStateFolder,
     .outcome = Outcome::Refused,
     .notice = "plik należy do innego użytkownika"},
    {.name = "RootWithAnotherUsersHome",
     .runs = Runs::AsRoot,
     .folder = StateFolderInAnotherUsersHome,
     .outcome = Outcome::Refused,
     .notice = "home należy do innego użytkownika"},
    {.name = "ReadOnlyStateFolder",
     .runs = Runs::AsUser,
     .folder =
         [](const std::string& base) {
             return StateFolder(base, fs::perms::owner_all,
                                fs::perms::owner_read | fs::perms::owner_exec);
         },
     .outcome = Outcome::Refused,
     .notice = "brak dostępu"},
    {.name = "DirectoryUnderThePartsName",
     .part = Part::Directory,
     .folder = PrivateStateFolder,
     .outcome = Outcome::Refused,
     .notice = "to nie jest zwykły plik"},
};

// The row's name where a test's parameter is printed.
void PrintTo(const t_join_case& c, std::ostream* out) {
    *out << c.name;
}

bool Runnable(Runs runs) {
    return runs == Runs::Anyone || (runs == Runs::AsRoot) == (::geteuid() == 0);
}

// The recorder as generated, with its end marker moved to endMarker.
void MoveEndMarker(DeviceSimulator& d, std::uint32_t endMarker) {
    auto& recorder = d.Memory().Recorder();
    std::replace(recorder.begin(), recorder.end(), protocol::kRecorderEndMarker, std::uint8_t{1});
    recorder[endMarker] = protocol::kRecorderEndMarker;
}

// A new run of `count` bytes: its start marker, then data bytes.
std::vector<std::uint8_t> NewRun(std::uint32_t count) {
    std::mt19937 rng(count);
    std::vector<std::uint8_t> run(count);
    for (auto& b : run) {
        b = static_cast<std::uint8_t>(rng() % protocol::kRecorderStartMarker);
    }
    run[0] = protocol::kRecorderStartMarker;
    return run;
}

void PlantPart(const std::string& path, const t_readout_identity& identity,
               const std::vector<std::uint8_t>& bytes) {
    CReadoutPartWriter writer;
    ASSERT_TRUE(writer.Create(path, identity));
    ASSERT_TRUE(writer.Append(0, bytes.data(), bytes.size(), 0));
    ASSERT_TRUE(writer.End(static_cast<std::int64_t>(std::time(nullptr)) - 60));
}

class ReadoutJoin : public ::testing::TestWithParam<t_join_case> {
protected:
    void TearDown() override {
        // The folders of a row may be closed to their owner; the harness removes them.
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(h.Directory(), ignored)) {
            if (entry.is_directory(ignored)) {
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
            }
        }
    }
    TerminalHarness h;
};

TEST_P(ReadoutJoin, ReadoutEndsWithTheDevicesMemoryAndUsesOnlyTheUsersOwnPart) {
    const t_join_case& c = GetParam();
    if (!Runnable(c.runs)) {
        GTEST_SKIP() << (::geteuid() == 0 ? "permissions do not stop root"
                                          : "needs root to set up");
    }
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        const t_readout_identity identity = h.Sim().WithDevice([&](DeviceSimulator& d) {
            if (c.endMarker != 0) {
                MoveEndMarker(d, c.endMarker);
            }
            const auto& settings = d.Memory().Settings();
            const std::uint32_t at = protocol::kConfigurationAddress - protocol::kSettingsBase;
            return t_readout_identity{
                31, d.Name(), d.Version(),
                static_cast<std::uint16_t>(settings[at + 2] | settings[at + 3] << 8)};
        });
        t_readout_part_folder folder{h.Directory(), h.Directory(), ""};
        if (c.folder) {
            folder = c.folder(h.Directory());
            dlg.SetReadoutPartFolder(folder);
        }
        const std::string part = ReadoutPartPath(folder.directory, identity.factoryNumber);
        std::vector<std::uint8_t> held = Recorder(h);
        held.resize(kHeldBytes);
        if (c.part == Part::Forged) {
            for (auto& b : held) {
                b ^= 0x11;
            }
        }
        if (c.part == Part::Directory) {
            fs::create_directory(part);
        } else if (c.part != Part::None) {
            PlantPart(part, identity, held);
            if (c.runs == Runs::AsRoot) {
                ASSERT_EQ(::chown(part.c_str(), kOtherUser, kOtherUser), 0);
            }
        }
        const std::vector<std::uint8_t> planted = PartBytes(part);
        h.Sim().WithDevice([&](DeviceSimulator& d) {
            if (c.recorded != 0) {
                d.Memory().RecordOn(NewRun(c.recorded));
            }
            if (c.line) {
                c.line(d);
            }
        });

        const std::uint64_t readsBefore = CommandCount(h, protocol::kCmdReadChunk);
        h.ClearBoxes();
        h.AnswerNext(IDYES);
        t::ClickButton(dlg, IDC_READ_RECORDER);
        const std::uint64_t reads = CommandCount(h, protocol::kCmdReadChunk) - readsBefore;

        const auto lines = TerminalHarness::ConsoleLines(dlg);
        EXPECT_EQ(lines.back(), kDone);
        EXPECT_EQ(CountLines(lines, kAborted), 0);
        const auto recorder = Recorder(h);
        EXPECT_TRUE(std::equal(recorder.begin(), recorder.end(), dlg.MemoryImage()))
            << "the image is the device's memory";
        const bool asked = c.outcome == Outcome::Continued || c.outcome == Outcome::StartedOver;
        EXPECT_EQ(h.Boxes().size(), asked ? 1u : 0u);
        EXPECT_EQ(CountLines(lines, kStartedOver), c.outcome == Outcome::StartedOver ? 1 : 0);
        if (c.outcome == Outcome::Continued) {
            EXPECT_LT(reads, kRecorderChunks - kHeldBytes / protocol::kChunkData + 10);
        } else {
            EXPECT_GE(reads, 1 + kRecorderChunks);
        }
        const auto notices = std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
            return l.rfind(kPartNotice, 0) == 0;
        });
        if (c.outcome == Outcome::Refused) {
            ASSERT_EQ(notices, 1) << "one line says why no part is kept";
            const auto line = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
                return l.rfind(kPartNotice, 0) == 0;
            });
            EXPECT_NE(line->find(c.notice), std::string::npos) << *line;
            EXPECT_EQ(PartBytes(part), planted) << "a part not the user's own stays as it was";
        } else {
            EXPECT_EQ(notices, 0);
            EXPECT_FALSE(fs::exists(part)) << "a complete readout removes its part";
        }
        if (!folder.home.empty()) {
            EXPECT_FALSE(fs::exists(folder.home + "/.local")) << "nothing made in that home";
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Reliability, ReadoutJoin, ::testing::ValuesIn(kJoinCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
