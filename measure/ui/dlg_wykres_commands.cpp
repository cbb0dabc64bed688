// The chart's way of getting data out: its context menu and keys, the PNG file, the
// clipboard, the printed page and the CSV export.

#include "base/atomic_file.h"
#include "base/device_time.h"
#include "base/text_format.h"
#include "measure/recorded_samples.h"
#include "measure/samples_csv.h"
#include "measure/ui/dlg_wykres.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kPngFilter = "Obraz PNG (*.png)|*.png||";
constexpr const char* kPngExtension = "png";
// The filter chosen picks the dialect: 1 for spreadsheets set to Polish, 2 for the rest.
constexpr const char* kCsvFilter =
    "Arkusz, separator ; (*.csv)|*.csv|CSV, separator , (*.csv)|*.csv||";
constexpr const char* kCsvExtension = "csv";
constexpr DWORD kCsvStandardFilter = 2;
constexpr int kTitlePointTenths = 100; // the print's title line: 10 pt

std::string SystemReason(int error) {
    return error != 0 ? std::strerror(error) : std::string("nieznany błąd");
}

// Writes the bytes whole or leaves the file as it was; a failure is told with its reason.
bool SaveBytes(const std::string& path, const std::uint8_t* data, std::size_t length) {
    errno = 0;
    if (WriteFileAtomically(path, data, length)) {
        return true;
    }
    const int error = errno;
    AfxMessageBox(
        Format("Nie można zapisać pliku %s: %s", path.c_str(), SystemReason(error).c_str()),
        MB_OK | MB_ICONEXCLAMATION);
    return false;
}

} // namespace

void CDlgWykres::DrawChartImage(CBitmap& image) {
    CDC memory;
    memory.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&memory, kBlitWidth, kBlitHeight);
    CBitmap* oldBitmap = memory.SelectObject(&bitmap);
    DrawAxes(&memory, m_run);
    DrawCurve(&memory, m_run);
    DrawCursor(&memory, m_run, m_cursor);

    CDC field;
    field.CreateCompatibleDC(nullptr);
    image.DeleteObject();
    image.CreateCompatibleBitmap(&field, kFieldWidth, kFieldHeight);
    CBitmap* oldImage = field.SelectObject(&image);
    field.BitBlt(0, 0, kFieldWidth, kFieldHeight, &memory, kFieldX, kFieldY, SRCCOPY);
    field.SelectObject(oldImage);
    memory.SelectObject(oldBitmap);
}

std::string CDlgWykres::PrintTitle() const {
    std::string title = m_title;
    if (const CSampleStamp* stamp = m_sampleList.GetStamp(m_run)) {
        const t_device_time start = stamp->GetStartTime();
        const int last = std::max(stamp->GetSampleCount() - 1, 0);
        title +=
            "   " + FormatDeviceTime(start) + " - " + FormatDeviceTime(stamp->GetSampleTime(last));
    }
    if (!m_imageSource.empty()) {
        title += "   " + m_imageSource;
    }
    return title;
}

// Only the chart itself has this menu; the edits keep their own, the sliders none.
void CDlgWykres::OnContextMenu(CWnd* /*window*/, CPoint screenPoint) {
    CPoint origin(0, 0);
    ScreenToClient(&origin); // minus the client area's screen position
    const CRect chart(kBlitX + kFieldX, kBlitY + kFieldY, kBlitX + kFieldX + kFieldWidth,
                      kBlitY + kFieldY + kFieldHeight);
    if (screenPoint.x == -1 && screenPoint.y == -1) {
        // From the keyboard: at the chart's top-left corner.
        screenPoint = CPoint(chart.left - origin.x, chart.top - origin.y);
    } else if (!chart.PtInRect(CPoint(screenPoint.x + origin.x, screenPoint.y + origin.y))) {
        return;
    }
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, kCmdSaveImage, "Zapisz wykres jako obraz...\tCtrl+S");
    menu.AppendMenu(MF_STRING, kCmdCopyImage, "Kopiuj wykres\tCtrl+C");
    menu.AppendMenu(MF_STRING, kCmdPrint, "Drukuj...\tCtrl+P");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, kCmdExportCsv, "Eksportuj pomiary do CSV...\tCtrl+E");
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y, this);
}

void CDlgWykres::OnSaveImage() {
    CFileDialog dialog(FALSE, kPngExtension, std::string(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       kPngFilter, this);
    dialog.m_title = "Zapisz wykres jako obraz";
    if (dialog.DoModal() != IDOK) {
        return;
    }
    CBitmap image;
    DrawChartImage(image);
    std::vector<std::uint8_t> png;
    if (!image.EncodePng(png)) {
        AfxMessageBox("Nie można utworzyć obrazu wykresu", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    SaveBytes(dialog.GetPathName(), png.data(), png.size());
}

void CDlgWykres::OnCopyImage() {
    CBitmap image;
    DrawChartImage(image);
    if (!AfxSetClipboardBitmap(image)) {
        AfxMessageBox("Nie można skopiować wykresu do schowka", MB_OK | MB_ICONEXCLAMATION);
    }
}

void CDlgWykres::OnPrint() {
    CPrintDialog dialog(FALSE, PD_ALLPAGES | PD_NOPAGENUMS | PD_NOSELECTION, this);
    dialog.m_orientation = DMORIENT_LANDSCAPE;
    if (dialog.DoModal() != IDOK) {
        return;
    }
    CDC printer;
    if (!dialog.CreatePrinterDC(printer)) {
        return;
    }
    CBitmap image;
    DrawChartImage(image);
    CDC source;
    source.CreateCompatibleDC(nullptr);
    CBitmap* oldImage = source.SelectObject(&image);

    const std::string title = PrintTitle();
    bool printed = false;
    if (printer.StartDoc(m_title) > 0) {
        if (printer.StartPage() > 0) {
            CFont font;
            font.CreatePointFont(kTitlePointTenths, nullptr, &printer);
            CFont* oldFont = printer.SelectObject(&font);
            printer.SetBkMode(TRANSPARENT);
            printer.SetTextColor(RGB(0, 0, 0));
            const int pageWidth = printer.GetDeviceCaps(HORZRES);
            const int pageHeight = printer.GetDeviceCaps(VERTRES);
            const int titleHeight = printer.GetTextExtent(title).cy;
            const int top = titleHeight + titleHeight / 2;
            // The page's width, the chart's aspect kept; on a page too short for that the
            // chart is made smaller rather than spilling onto a second sheet.
            int width = pageWidth;
            int height =
                static_cast<int>(static_cast<long long>(width) * kFieldHeight / kFieldWidth);
            if (height > pageHeight - top) {
                height = std::max(pageHeight - top, 1);
                width =
                    static_cast<int>(static_cast<long long>(height) * kFieldWidth / kFieldHeight);
            }
            printed = printer.TextOut(0, 0, title) &&
                      printer.StretchBlt((pageWidth - width) / 2, top, width, height, &source, 0, 0,
                                         kFieldWidth, kFieldHeight, SRCCOPY) &&
                      printer.EndPage() > 0;
            printer.SelectObject(oldFont);
        }
        if (printed) {
            printed = printer.EndDoc() > 0;
        } else {
            printer.AbortDoc();
        }
    }
    source.SelectObject(oldImage);
    if (!printed) {
        std::string reason = printer.GetPrintError();
        AfxMessageBox("Nie można wydrukować wykresu" +
                          (reason.empty() ? std::string() : ": " + reason),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // A PDF file is made in memory and saved as the program's other files are.
    std::string pdfPath;
    std::vector<std::uint8_t> pdf;
    if (printer.GetPrintedFile(pdfPath, pdf)) {
        SaveBytes(pdfPath, pdf.data(), pdf.size());
    }
}

void CDlgWykres::OnExportCsv() {
    CFileDialog dialog(FALSE, kCsvExtension, std::string(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       kCsvFilter, this);
    dialog.m_title = "Eksportuj pomiary do CSV";
    if (dialog.DoModal() != IDOK) {
        return;
    }
    const CsvDialect dialect =
        dialog.m_ofn.nFilterIndex == kCsvStandardFilter ? CsvDialect::Standard : CsvDialect::Polish;
    const std::string csv = SamplesCsv(m_image != nullptr ? RecordedRuns(m_image, m_imageLength)
                                                          : std::vector<t_recorded_run>(),
                                       dialect);
    SaveBytes(dialog.GetPathName(), reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size());
}
