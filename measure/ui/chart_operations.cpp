#include "device/device_session.h"
#include "link/protocol.h"
#include "measure/measure_operations.h"
#include "measure/ui/dlg_wykres.h"

namespace {

// Longest run on one chart screen (one pixel column per second), and the gap under which
// a new run continues the previous one.
constexpr int kSamplesPerScreen = 616;
constexpr int kMergeWindowSeconds = 60;

// Decodes the memory image afresh and shows its runs; nothing usable: a message instead.
void ShowChart(CDeviceSession& session, int positionChart) {
    CDlgWykres chart;
    if (positionChart) {
        chart.m_title = "Wykres drogi w funkcji czasu";
        chart.m_yLabel = "polozenie [m]";
    } else {
        chart.m_title = "Wykres predkosci w funkcji czasu";
        chart.m_yLabel = "predkosc [m/s]";
    }
    chart.m_xLabel = "czas";
    chart.m_positionChart = positionChart;
    chart.m_image = session.MemoryImage();
    chart.m_imageLength = protocol::kRecorderSize;
    chart.m_imageSource = session.ImageSource();
    chart.m_sampleList.DecodeImage(session.MemoryImage(), protocol::kRecorderSize,
                                   kSamplesPerScreen, kMergeWindowSeconds);
    if (chart.m_sampleList.GetStampCount() > 0) {
        chart.DoModal();
    } else {
        session.ShowMessage("Wczytaj dane z pliku lub z tachometru", MessageIcon::None);
    }
}

} // namespace

void ShowPositionChart(CDeviceSession& session) {
    ShowChart(session, 1);
}

void ShowSpeedChart(CDeviceSession& session) {
    ShowChart(session, 0);
}
