// The main window's buttons of the device and measurement operations.
#include "app/lw_dlg.h"
#include "device/device_operations.h"
#include "measure/measure_operations.h"

void CLWDlg::OnVersions() {
    ShowVersions(*this, Banner());
}

void CLWDlg::OnSetClock() {
    UpdateClock(*this);
}

void CLWDlg::OnSetPosition() {
    EditPosition(*this);
}

void CLWDlg::OnReset() {
    ResetDevice(*this);
}

void CLWDlg::OnStatistics() {
    EditStatistics(*this);
}

void CLWDlg::OnConfiguration() {
    EditConfiguration(*this);
}

void CLWDlg::OnProgrammer() {
    EditProgrammer(*this);
}

void CLWDlg::OnInspections() {
    EditInspections(*this);
}

void CLWDlg::OnRelays() {
    EditRelays(*this);
}

void CLWDlg::OnReadRecorder() {
    ReadRecorder(*this);
}

void CLWDlg::OnLoadFile() {
    LoadImageFile(*this);
}

void CLWDlg::OnSaveFile() {
    // A portable copy offers its own directory; an installed program's is no place for
    // recordings, so the dialog starts where the user started the program.
    SaveImageFile(*this,
                  SettingsDirectory() == ProgramDirectory() ? ProgramDirectory() : std::string());
}

void CLWDlg::OnPositionChart() {
    ShowPositionChart(*this);
}

void CLWDlg::OnSpeedChart() {
    ShowSpeedChart(*this);
}
