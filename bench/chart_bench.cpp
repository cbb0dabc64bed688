// Speed of one full chart repaint: the whole chart of a 616-sample run drawn into the
// off-screen bitmap and copied to the window, as after every slider move; and of the
// chart's picture for "Zapisz wykres jako obraz...": drawn and encoded as PNG bytes.

#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "measure/ui/dlg_wykres.h"
#include "res/resource.h"
#include "res/templates.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// One run of 616 samples: a trip with acceleration, constant speed and braking.
std::vector<std::uint8_t> FullScreenRun() {
    std::vector<std::uint8_t> image(protocol::kRecorderSize, 0);
    std::size_t at = 0;
    image[at++] = 0xFE;
    const t_device_time start = MakeDeviceTime(2026, 3, 14, 9, 0, 0);
    const auto* header = reinterpret_cast<const std::uint8_t*>(&start);
    for (int i = 0; i < 7; ++i) {
        image[at++] = header[i];
    }
    int position = 0;
    for (int j = 0; j < 616; ++j) {
        const int speed = j < 100 ? j / 2 : (j < 500 ? 50 : (615 - j) * 50 / 116);
        position += speed / 10;
        image[at++] = static_cast<std::uint8_t>(speed);
        image[at++] = static_cast<std::uint8_t>(position >> 7);
        image[at++] = static_cast<std::uint8_t>(position & 0x7F);
    }
    image[at] = 0xFF;
    return image;
}

void PaintWholeChart(benchmark::State& state, int positionChart) {
    const std::vector<std::uint8_t> image = FullScreenRun();
    CDlgWykres chart;
    chart.m_positionChart = positionChart;
    chart.m_title =
        positionChart ? "Wykres drogi w funkcji czasu" : "Wykres predkosci w funkcji czasu";
    chart.m_xLabel = "czas";
    chart.m_yLabel = positionChart ? "polozenie [m]" : "predkosc [m/s]";
    chart.m_sampleList.DecodeImage(image.data(), image.size(), 616, 60);

    afx::testing::AddModalHook(IDD_WYKRES, [&](CDialog& dialog) {
        for (auto _ : state) {
            CClientDC dc(&chart);
            chart.PaintChart(&dc);
            dc.Flush();
        }
        dialog.EndDialog(IDCANCEL);
    });
    chart.DoModal();
}

void BM_PaintSpeedChart(benchmark::State& state) {
    PaintWholeChart(state, 0);
}
void BM_PaintPositionChart(benchmark::State& state) {
    PaintWholeChart(state, 1);
}
BENCHMARK(BM_PaintSpeedChart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintPositionChart)->Unit(benchmark::kMicrosecond);

// The picture drawn once, then only its encoding, as the save does after its dialog.
void BM_EncodeChartPng(benchmark::State& state) {
    const std::vector<std::uint8_t> image = FullScreenRun();
    CDlgWykres chart;
    chart.m_xLabel = "czas";
    chart.m_yLabel = "predkosc [m/s]";
    chart.m_sampleList.DecodeImage(image.data(), image.size(), 616, 60);
    chart.m_cursor = 307;
    CBitmap picture;
    chart.DrawChartImage(picture);
    std::vector<std::uint8_t> png;
    for (auto _ : state) {
        picture.EncodePng(png);
        benchmark::DoNotOptimize(png.data());
    }
    state.counters["png_bytes"] = static_cast<double>(png.size());
}
BENCHMARK(BM_EncodeChartPng)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    afx::InitApplicationForTests(argc, argv);
    RegisterProgramTemplates();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
