#include "app/lw_dlg.h"
#include "link/protocol.h"
#include "measure/dlg_wykres.h"

namespace {

// Longest run on one chart screen (one pixel column per second), and the gap under which
// a new run continues the previous one.
constexpr int kSamplesPerScreen = 616;
constexpr int kMergeWindowSeconds = 60;

// Decodes the memory image afresh and shows its runs; nothing usable: a message instead.
void ShowChart(CLWDlg& mainWindow, int positionChart) {
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
    chart.m_image = mainWindow.MemoryImage();
    chart.m_imageLength = protocol::kRecorderSize;
    chart.m_imageSource = mainWindow.ImageSource();
    chart.m_sampleList.DecodeImage(mainWindow.MemoryImage(), protocol::kRecorderSize,
                                   kSamplesPerScreen, kMergeWindowSeconds);
    if (chart.m_sampleList.GetStampCount() > 0) {
        chart.DoModal();
    } else {
        AfxMessageBox("Wczytaj dane z pliku lub z tachometru", MB_OK);
    }
}

} // namespace

void CLWDlg::OnPositionChart() {
    ShowChart(*this, 1);
}

void CLWDlg::OnSpeedChart() {
    ShowChart(*this, 0);
}
