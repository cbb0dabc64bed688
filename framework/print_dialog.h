// CPrintDialog: the system's print dialog (printer, copies, paper, orientation, or a PDF
// file), and the device context of what was chosen in it.
#pragma once

#include "framework/afx_types.h"

#include <memory>
#include <string>

class CDC;
class CWnd;

namespace afx::detail {
struct PrintDialogData;
}

class CPrintDialog {
public:
    // `flags`: PD_NOPAGENUMS and PD_NOSELECTION hide the page-range and selection choices.
    // The dialog is modal and stays above `parent` (nullptr: the window the user works in).
    explicit CPrintDialog(BOOL printSetupOnly = FALSE,
                          DWORD flags = PD_ALLPAGES | PD_NOPAGENUMS | PD_NOSELECTION,
                          CWnd* parent = nullptr);
    ~CPrintDialog();
    CPrintDialog(const CPrintDialog&) = delete;
    CPrintDialog& operator=(const CPrintDialog&) = delete;

    // Set before DoModal: the page orientation the dialog offers first (the user may
    // change it there).
    short m_orientation = DMORIENT_PORTRAIT;

    // IDOK when the user chose to print, IDCANCEL otherwise.
    INT_PTR DoModal();
    DWORD GetFlags() const { return flags_; }
    // The printer chosen, or the PDF file printed to.
    std::string GetDeviceName() const;
    // Makes `dc` a printer DC for what was chosen (see CDC's printing calls), replacing what
    // it was. FALSE before a DoModal that returned IDOK.
    BOOL CreatePrinterDC(CDC& dc) const;

private:
    DWORD flags_;
    CWnd* parent_;
    std::unique_ptr<afx::detail::PrintDialogData> data_;
};
