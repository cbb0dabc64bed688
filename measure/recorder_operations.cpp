#include "app/lw_dlg.h"
#include "app/text_format.h"
#include "link/dlg_nv_progress.h"
#include "link/protocol.h"
#include "measure/measurement_file.h"

#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

namespace {

constexpr const char* kMeasurementFilter =
    "Lista plików pomiarów (*.qz)|*.qz|Wszystkie pliki (*.*)|*.*||";
constexpr const char* kMeasurementExtension = "qz";

// "odczyt z urządzenia" and the PC's local time now.
std::string ReadoutSource() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char stamp[32] = "";
    if (localtime_r(&now, &local) != nullptr) {
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    }
    return std::string("odczyt z urządzenia ") + stamp;
}

} // namespace

void CLWDlg::OnReadRecorder() {
    ConsoleWrite("Odczyt rejestratora", 1);
    CDlgNVProgress& transfer = ProgressDialog();
    transfer.SetRead(protocol::kBlockRecorder);
    // The transfer dialog reports its own failures; the image keeps what it held.
    if (transfer.DoModal() != IDOK) {
        return;
    }
    std::memcpy(m_memoryImage, transfer.GetData(), protocol::kRecorderSize);
    m_imageSource = ReadoutSource();
}

void CLWDlg::OnLoadFile() {
    CFileDialog dialog(TRUE, kMeasurementExtension, std::string(),
                       OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, kMeasurementFilter,
                       this);
    dialog.m_title = "Otwiera liste plików wyników pomiarów";
    if (dialog.DoModal() != IDOK) {
        return;
    }
    const std::string path = dialog.GetPathName();

    // The file is read whole into a buffer of its own first: the image changes only when
    // every byte arrived, so a failed read never leaves it half overwritten.
    std::vector<std::uint8_t> data;
    LoadError error = LoadError::None;
    if (!LoadMeasurementFile(path, data, error) || data.size() != protocol::kRecorderSize) {
        AfxMessageBox(error == LoadError::WrongLength ? "To nie jest plik z probkami"
                                                      : "Blad w odczycie pliku!",
                      MB_OK);
        return;
    }
    std::memcpy(m_memoryImage, data.data(), data.size());
    m_imageSource = path;
    ConsoleWrite(
        Format("Plik '%s' odczytany, %d bajtow", path.c_str(), static_cast<int>(data.size())), 1);
}

void CLWDlg::OnSaveFile() {
    // Replacing a file loses the recording it held, so the dialog asks first.
    CFileDialog dialog(FALSE, kMeasurementExtension, std::string(),
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kMeasurementFilter, this);
    dialog.m_title = "Zapisz jako plik wyników pomiarów";
    // A portable copy offers its own directory; an installed program's is no place for
    // recordings, so the dialog starts where the user started the program.
    if (SettingsDirectory() == ProgramDirectory()) {
        dialog.m_initialDir = ProgramDirectory();
    }
    if (dialog.DoModal() != IDOK) {
        return;
    }
    const std::string path = dialog.GetPathName();

    // Saved whole or not at all wherever a rename can stand in for the plain open (see
    // WriteFileAtomically); the message covers every refusal and failure alike.
    if (!SaveMeasurementFile(path, m_memoryImage, protocol::kRecorderSize)) {
        AfxMessageBox("Nie mozna otworzyc pliku do zapisu!", MB_OK);
        return;
    }
    m_imageSource = path;
    std::error_code ec;
    const std::uintmax_t length = std::filesystem::file_size(path, ec);
    ConsoleWrite(
        Format("Plik '%s' zapisany, %d bajtow", path.c_str(), ec ? 0 : static_cast<int>(length)),
        1);
}
