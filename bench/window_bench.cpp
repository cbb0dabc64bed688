// Speed of what the user waits on in the main window: one console line written into a
// console that already holds 200 lines, and the start-up from constructing the main window
// to its being shown with OnInitDialog done.

#include "app/lw_dlg.h"
#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"
#include "res/templates.h"
#include "tests/support/terminal_harness.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kConsoleLines = 200;

t_harness_options WithoutDevice() {
    t_harness_options options;
    options.startSimulator = false;
    return options;
}

// 200 lines of what a session writes: link changes, readouts, file messages.
std::string FullConsole() {
    static const char* const kLines[] = {
        "Połączono",
        "Odczyt rejestratora",
        "Transmisja 475136B",
        "koniec transmisji",
        "Plik '/home/serwis/pomiary/odczyt_2026_03_14.qz' zapisany, 475136 bajtow",
        "Rozłączono"};
    std::string text = "Clr screen";
    for (int i = 1; i < kConsoleLines; ++i) {
        text += "\r\n";
        text += kLines[i % std::size(kLines)];
    }
    return text;
}

void BM_ConsoleWrite(benchmark::State& state) {
    TerminalHarness h(WithoutDevice());
    const std::string full = FullConsole();
    h.Run([&](CLWDlg& dlg) {
        for (auto _ : state) {
            state.PauseTiming();
            afx::testing::SetControlText(dlg, IDC_CONSOLE, full);
            state.ResumeTiming();
            dlg.ConsoleWrite("Odczyt rejestratora", 1);
        }
    });
}
BENCHMARK(BM_ConsoleWrite)->Unit(benchmark::kMicrosecond);

// From the main window's construction to the first turn of its modal loop, when
// OnInitDialog has run and the window is shown; gives that time and the moment it was shown.
double StartUpSeconds(Clock::time_point* shownAt = nullptr) {
    Clock::time_point shown;
    const Clock::time_point start = Clock::now();
    auto dlg = std::make_unique<CLWDlg>();
    afx::testing::AddModalHook(IDD_LW_DIALOG, [&shown](CDialog& window) {
        shown = Clock::now();
        window.EndDialog(IDCANCEL);
    });
    dlg->DoModal();
    dlg.reset();
    if (shownAt != nullptr) {
        *shownAt = shown;
    }
    return std::chrono::duration<double>(shown - start).count();
}

void BM_StartUpToMainWindowShown(benchmark::State& state) {
    TerminalHarness h(WithoutDevice()); // program directory with config.cfg
    for (auto _ : state) {
        state.SetIterationTime(StartUpSeconds());
    }
}
BENCHMARK(BM_StartUpToMainWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond);

// The first window of the process, which also meets the fonts and the windowing platform
// for the first time; and from the start of main(), the Qt application's and the
// templates' set-up included.
void FirstStartUp(Clock::time_point processStart) {
    TerminalHarness h(WithoutDevice());
    Clock::time_point shown;
    const double seconds = StartUpSeconds(&shown);
    std::printf("First main window of the process: %.1f ms from its construction, %.1f ms "
                "from the start of main()\n",
                seconds * 1000.0,
                std::chrono::duration<double, std::milli>(shown - processStart).count());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const Clock::time_point processStart = Clock::now();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    afx::InitApplicationForTests(argc, argv);
    RegisterProgramTemplates();
    FirstStartUp(processStart);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
