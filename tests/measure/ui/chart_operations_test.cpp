// "Droga w czasie" and "Prędkość w czasie" on the real main window.

#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "measure/ui/dlg_wykres.h"
#include "res/resource.h"
#include "sim/recorder_content.h"
#include "tests/support/picture_path.h"
#include "tests/support/recorder_image_builder.h"
#include "tests/support/terminal_harness.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using afx::testing::ClickButton;
using afx::testing::WaitUntil;

void LoadImageFile(CLWDlg& dlg, const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    afx::testing::SetFileDialogAnswerer([path](const CFileDialog&, std::string& chosen) {
        chosen = path;
        return true;
    });
    ClickButton(dlg, IDC_LOAD_FILE);
    afx::testing::ProcessEvents(100);
}

t_harness_options WithoutDevice() {
    t_harness_options options;
    options.startSimulator = false;
    return options;
}

TEST(ChartCommands, AllZeroImageAsksForDataInsteadOfAChart) {
    TerminalHarness h(WithoutDevice());
    h.Run([&](CLWDlg& dlg) {
        afx::testing::AddModalHook(IDD_WYKRES, [](CDialog& chart) { chart.EndDialog(IDCANCEL); });
        for (int button : {IDC_SPEED_CHART, IDC_POSITION_CHART}) {
            h.ClearBoxes();
            ClickButton(dlg, button);
            EXPECT_TRUE(WaitUntil([&] { return !h.Boxes().empty(); }, 2000));
            EXPECT_EQ(h.BoxTexts(),
                      std::vector<std::string>{"Wczytaj dane z pliku lub z tachometru"});
        }
        EXPECT_EQ(afx::testing::PendingModalHooks(IDD_WYKRES), 1); // no chart was shown
        afx::testing::ClearModalHooks();
    });
}

// Shows the chart of `button` on the image held, grabs it to `png` and gives what it showed.
struct t_shown_chart {
    std::string caption;
    int runs = 0;
    int positionChart = -1;
    std::string xLabel;
    std::string yLabel;
};

t_shown_chart ShowAndGrab(CLWDlg& dlg, int button, const std::string& png) {
    t_shown_chart shown;
    bool done = false;
    afx::testing::AddModalHook(IDD_WYKRES, [&](CDialog& dialog) {
        auto& chart = static_cast<CDlgWykres&>(dialog);
        afx::testing::ProcessEvents(100);
        shown.caption = afx::testing::WindowCaption(chart);
        shown.runs = chart.m_sampleList.GetStampCount();
        shown.positionChart = chart.m_positionChart;
        shown.xLabel = chart.m_xLabel;
        shown.yLabel = chart.m_yLabel;
        // A later run, so the picture shows a trip rather than the oldest remains.
        afx::testing::SetSliderPos(chart, IDC_RUN_SLIDER, shown.runs > 3 ? shown.runs - 3 : 0);
        afx::testing::ProcessEvents(100);
        EXPECT_TRUE(afx::testing::GrabWindow(chart).SavePng(png));
        afx::testing::PressEscape(chart);
        done = true;
    });
    ClickButton(dlg, button);
    EXPECT_TRUE(WaitUntil([&] { return done; }, 5000));
    afx::testing::ProcessEvents(50);
    return shown;
}

TEST(ChartCommands, RealisticRecordingIsShownAsSpeedAndPositionCharts) {
    TerminalHarness h(WithoutDevice());
    t_recorder_options options;
    options.now = 1780000000; // 2026
    const auto image = GenerateRecorderImage(options);
    h.Run([&](CLWDlg& dlg) {
        LoadImageFile(dlg, h.PathOf("trasa.qz"), image);
        ASSERT_EQ(std::memcmp(dlg.MemoryImage(), image.data(), image.size()), 0);

        const t_shown_chart speed =
            ShowAndGrab(dlg, IDC_SPEED_CHART, PicturePath("chart_speed.png"));
        EXPECT_EQ(speed.caption, "Wykres predkosci w funkcji czasu");
        EXPECT_EQ(speed.positionChart, 0);
        EXPECT_EQ(speed.xLabel, "czas");
        EXPECT_EQ(speed.yLabel, "predkosc [m/s]");
        EXPECT_GT(speed.runs, 1);

        const t_shown_chart position =
            ShowAndGrab(dlg, IDC_POSITION_CHART, PicturePath("chart_position.png"));
        EXPECT_EQ(position.caption, "Wykres drogi w funkcji czasu");
        EXPECT_EQ(position.positionChart, 1);
        EXPECT_EQ(position.yLabel, "polozenie [m]");
        EXPECT_EQ(position.runs, speed.runs);
        EXPECT_TRUE(h.Boxes().empty());
    });
}

} // namespace
