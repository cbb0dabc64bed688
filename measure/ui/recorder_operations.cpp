#include "base/text_format.h"
#include "device/device_session.h"
#include "framework/afx.h"
#include "link/protocol.h"
#include "measure/measure_operations.h"
#include "measure/measurement_file.h"

#include <cstring>
#include <filesystem>
#include <vector>

namespace {

constexpr const char* kMeasurementFilter =
    "Lista plików pomiarów (*.qz)|*.qz|Wszystkie pliki (*.*)|*.*||";
constexpr const char* kMeasurementExtension = "qz";

} // namespace

void LoadImageFile(CDeviceSession& session) {
    CFileDialog dialog(TRUE, kMeasurementExtension, std::string(),
                       OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, kMeasurementFilter,
                       session.ParentWindow());
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
        session.ShowMessage(error == LoadError::WrongLength ? "To nie jest plik z probkami"
                                                            : "Blad w odczycie pliku!",
                            MessageIcon::None);
        return;
    }
    std::memcpy(session.MemoryImage(), data.data(), data.size());
    session.SetImageSource(path);
    session.ConsoleWrite(
        Format("Plik '%s' odczytany, %d bajtow", path.c_str(), static_cast<int>(data.size())), 1);
}

void SaveImageFile(CDeviceSession& session, const std::string& initialDir) {
    // Replacing a file loses the recording it held, so the dialog asks first.
    CFileDialog dialog(FALSE, kMeasurementExtension, std::string(),
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kMeasurementFilter,
                       session.ParentWindow());
    dialog.m_title = "Zapisz jako plik wyników pomiarów";
    dialog.m_initialDir = initialDir;
    if (dialog.DoModal() != IDOK) {
        return;
    }
    const std::string path = dialog.GetPathName();

    // Saved whole or not at all wherever a rename can stand in for the plain open (see
    // WriteFileAtomically); the message covers every refusal and failure alike.
    if (!SaveMeasurementFile(path, session.MemoryImage(), protocol::kRecorderSize)) {
        session.ShowMessage("Nie mozna otworzyc pliku do zapisu!", MessageIcon::None);
        return;
    }
    session.SetImageSource(path);
    std::error_code ec;
    const std::uintmax_t length = std::filesystem::file_size(path, ec);
    session.ConsoleWrite(
        Format("Plik '%s' zapisany, %d bajtow", path.c_str(), ec ? 0 : static_cast<int>(length)),
        1);
}
