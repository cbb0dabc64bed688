// Time of a repeat readout against a full one: the real main window (offscreen) reads the
// simulator's recorder once in full, unpaced, so that its image is kept; the device then
// records for 10 minutes and "Odczyt pomiarów" is answered "Tak", paced at the line speed
// in both directions. Each line speed is measured in a harness of its own.
//
//   repeat_readout_bench           repeat readouts at 57600 and 460800 baud, and the full
//                                  readout at 57600 baud they are measured against
//   repeat_readout_bench --quick   the repeat readouts only

#include "app/lw_dlg.h"
#include "base/device_time.h"
#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "measure/kept_image.h"
#include "res/resource.h"
#include "res/templates.h"
#include "tests/support/file_bytes.h"
#include "tests/support/terminal_harness.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRecordedSeconds = 600;

// The kept image made `seconds` older, as if read that long ago.
bool AgeKeptImage(const std::string& path, std::int64_t seconds) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    t_kept_image kept;
    if (!ParseKeptImage(bytes.data(), bytes.size(), kept)) {
        return false;
    }
    kept.readoutTime -= seconds;
    kept.fullReadoutTime -= seconds;
    return CKeptImageHolder::Write(path, kept);
}

// The seconds of a readout paced at baud: a repeat one after 10 minutes of recording, or a
// full one; negative when it failed or its image is not the device's.
double Readout(int baud, bool repeat) {
    t_harness_options options;
    options.baudRate = baud;
    TerminalHarness h(options);
    double seconds = -1;
    h.Run([&](CLWDlg& dlg) {
        if (!h.Connect(dlg)) {
            return;
        }
        if (repeat) {
            afx::testing::ClickButton(dlg, IDC_READ_RECORDER);
            const auto block = h.Sim().WithDevice([](DeviceSimulator& d) {
                return d.Memory().Bytes(protocol::BlockAddress(protocol::kBlockConfiguration), 4);
            });
            const std::string kept =
                h.PathOf("obraz-" + std::to_string(block[2] | block[3] << 8) + ".img");
            if (!AgeKeptImage(kept, kRecordedSeconds + 60)) {
                std::printf("  no kept image after the full readout\n");
                return;
            }
            const std::time_t now = std::time(nullptr);
            std::tm local{};
            localtime_r(&now, &local);
            h.Sim().WithDevice([&](DeviceSimulator& d) {
                d.Memory().Record(kRecordedSeconds,
                                  MakeDeviceTime(local.tm_year + 1900, local.tm_mon + 1,
                                                 local.tm_mday, local.tm_hour, local.tm_min,
                                                 local.tm_sec));
            });
            h.AnswerNext(IDYES);
        }
        h.Sim().SetPacing(baud, true);
        afx::testing::ProcessEvents(200);
        const auto start = Clock::now();
        afx::testing::ClickButton(dlg, IDC_READ_RECORDER);
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        const auto device =
            h.Sim().WithDevice([](DeviceSimulator& d) { return d.Memory().Recorder(); });
        if (std::memcmp(dlg.MemoryImage(), device.data(), device.size()) == 0) {
            seconds = took;
        }
    });
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    afx::InitApplicationForTests(argc, argv);
    RegisterProgramTemplates();
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;

    std::printf("Repeat readout after %d s of recording, main window offscreen, simulator on a "
                "pseudo-terminal paced both ways\n",
                kRecordedSeconds);
    bool ok = true;
    double repeat57600 = 0;
    for (int baud : {57600, 460800}) {
        const double seconds = Readout(baud, true);
        std::printf("  repeat readout at %d baud: %.3f s%s\n", baud, seconds,
                    seconds < 0 ? "  -- FAILED" : "");
        ok = ok && seconds >= 0;
        if (baud == 57600) {
            repeat57600 = seconds;
        }
        std::fflush(stdout);
    }
    if (!quick) {
        const double full = Readout(57600, false);
        std::printf("  full readout at 57600 baud: %.3f s%s\n", full,
                    full < 0 ? "  -- FAILED" : "");
        if (full > 0 && repeat57600 > 0) {
            std::printf("  repeat / full at 57600 baud: %.2f %%\n", 100.0 * repeat57600 / full);
        }
        ok = ok && full >= 0;
    }
    return ok ? 0 : 1;
}
