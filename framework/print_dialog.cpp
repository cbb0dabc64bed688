#include "framework/print_dialog.h"

#include "framework/dc_data.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>

namespace afx::detail {

struct PrintDialogData {
    QPrinter printer{QPrinter::HighResolution};
    bool chosen = false;
};

struct PrintJob {
    std::unique_ptr<QPrinter> printer;
    // Printing to a PDF file: the writer paints into memory; the caller saves the finished
    // document (CDC::GetPrintedFile).
    std::unique_ptr<QBuffer> buffer;
    std::unique_ptr<QPdfWriter> pdf;
    QByteArray document; // the finished PDF, after an EndDoc that succeeded
    QPainter painter;
    bool open = false;
    bool pageStarted = false;
    int pages = 0;
    std::string error;

    QPaintDevice* Device() {
        if (pdf)
            return pdf.get();
        return printer.get();
    }
};

QPainter* PrintPainter(PrintJob& job) {
    return job.open ? &job.painter : nullptr;
}
QPaintDevice* PrintDevice(PrintJob& job) {
    return job.Device();
}
void DeletePrintJob(PrintJob* job) {
    if (job != nullptr && job->open) {
        job->painter.end();
        if (!job->pdf)
            job->printer->abort();
    }
    delete job;
}

bool PrintText(DCData& dc, int x, int y, const QString& text) {
    QPainter* p = PrintPainter(*dc.print);
    if (p == nullptr || !dc.print->pageStarted)
        return false;
    QFont font = dc.Font();
    // A printer has its own resolution: the font's pixel size is in its pixels.
    font.setStyleStrategy(QFont::PreferDefault);
    p->setFont(font);
    p->setPen(ToQColor(dc.textColor));
    const QFontMetrics fm(font, dc.print->Device());
    if (dc.bkMode == OPAQUE)
        p->fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), ToQColor(dc.bkColor));
    p->drawText(QPoint(x, y + fm.ascent()), text);
    return true;
}

bool PrintImage(DCData& dc, const QRect& target, const QImage& image, const QRect& source) {
    QPainter* p = PrintPainter(*dc.print);
    if (p == nullptr || !dc.print->pageStarted)
        return false;
    p->setRenderHint(QPainter::SmoothPixmapTransform, false);
    p->drawImage(target, image, source);
    return true;
}

} // namespace afx::detail

using namespace afx::detail;

CPrintDialog::CPrintDialog(BOOL, DWORD flags, CWnd* parent)
    : flags_(flags), parent_(parent), data_(std::make_unique<PrintDialogData>()) {}

CPrintDialog::~CPrintDialog() = default;

INT_PTR CPrintDialog::DoModal() {
    EnsureApplication();
    QPrinter& printer = data_->printer;
    data_->chosen = false;
    printer.setPageOrientation(m_orientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape
                                                                   : QPageLayout::Portrait);
    std::string pdfPath;
    bool answered = false;
    if (AnswerPrintDialog(*this, pdfPath, &answered)) {
        if (!answered)
            return IDCANCEL;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(ToQ(pdfPath));
        data_->chosen = true;
        return IDOK;
    }
    QWidget* owner = parent_ != nullptr ? parent_->m_hWnd : nullptr;
    if (owner == nullptr && !ModalStack().empty())
        owner = ModalStack().back()->m_hWnd;
    QPrintDialog dialog(&printer, owner);
    QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
    if ((flags_ & PD_NOPAGENUMS) != 0)
        options &= ~QAbstractPrintDialog::PrintPageRange;
    if ((flags_ & PD_NOSELECTION) != 0)
        options &= ~QAbstractPrintDialog::PrintSelection;
    options &= ~QAbstractPrintDialog::PrintCurrentPage;
    dialog.setOptions(options);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted)
        return IDCANCEL;
    data_->chosen = true;
    return IDOK;
}

std::string CPrintDialog::GetDeviceName() const {
    const QPrinter& printer = data_->printer;
    return FromQ(printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName()
                                                               : printer.printerName());
}

BOOL CPrintDialog::CreatePrinterDC(CDC& dc) const {
    if (!data_->chosen)
        return FALSE;
    DCData& d = dc.Data();
    d.print.reset(new PrintJob);
    d.print->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrinter& copy = *d.print->printer;
    const QPrinter& chosen = data_->printer;
    copy.setOutputFormat(chosen.outputFormat());
    if (chosen.outputFormat() == QPrinter::PdfFormat) {
        copy.setOutputFileName(chosen.outputFileName());
    } else {
        copy.setPrinterName(chosen.printerName());
    }
    copy.setPageLayout(chosen.pageLayout());
    copy.setCopyCount(chosen.copyCount());
    copy.setCollateCopies(chosen.collateCopies());
    copy.setColorMode(chosen.colorMode());
    copy.setDuplex(chosen.duplex());
    copy.setResolution(chosen.resolution());
    d.memory = false;
    d.wnd = nullptr;
    d.created = true;
    return TRUE;
}

// ---- The printing calls of CDC ------------------------------------------------------------

int CDC::StartDoc(const std::string& docName) {
    PrintJob* job = data_->print.get();
    if (job == nullptr || job->open)
        return SP_ERROR;
    job->error.clear();
    job->document.clear();
    QPrinter& printer = *job->printer;
    bool begun = false;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        job->buffer = std::make_unique<QBuffer>();
        job->buffer->open(QIODevice::WriteOnly);
        job->pdf = std::make_unique<QPdfWriter>(job->buffer.get());
        job->pdf->setTitle(ToQ(docName));
        job->pdf->setCreator(QStringLiteral("re2-terminal"));
        job->pdf->setResolution(printer.resolution());
        job->pdf->setPageLayout(printer.pageLayout());
        begun = job->painter.begin(job->pdf.get());
        if (!begun) {
            job->pdf.reset();
            job->buffer.reset();
        }
    } else {
        printer.setDocName(ToQ(docName));
        begun = job->painter.begin(&printer);
    }
    if (!begun) {
        if (job->error.empty())
            job->error = "the printer cannot be opened";
        return SP_ERROR;
    }
    job->open = true;
    job->pages = 0;
    return 1;
}

int CDC::StartPage() {
    PrintJob* job = data_->print.get();
    if (job == nullptr || !job->open || job->pageStarted)
        return SP_ERROR;
    // The first page is open from StartDoc; every further one starts a new sheet.
    if (job->pages > 0) {
        const bool next = job->pdf ? job->pdf->newPage() : job->printer->newPage();
        if (!next) {
            job->error = "a new page cannot be started";
            return SP_ERROR;
        }
    }
    job->pageStarted = true;
    ++job->pages;
    return 1;
}

int CDC::EndPage() {
    PrintJob* job = data_->print.get();
    if (job == nullptr || !job->pageStarted)
        return SP_ERROR;
    job->pageStarted = false;
    return 1;
}

// Ends the open document: the painter and the page are finished, nothing more is drawn.
// Gives false when no document is open.
static bool CloseJob(PrintJob* job) {
    if (job == nullptr || !job->open)
        return false;
    job->open = false;
    job->pageStarted = false;
    return true;
}

// Ends a PDF job's writing into memory; keeps the document when keep is true.
static void FinishDocument(PrintJob* job, bool keep) {
    job->pdf.reset();
    if (keep)
        job->document = job->buffer->data();
    job->buffer.reset();
}

int CDC::EndDoc() {
    PrintJob* job = data_->print.get();
    if (!CloseJob(job))
        return SP_ERROR;
    const bool painted = job->painter.end();
    if (job->pdf) {
        FinishDocument(job, painted);
        if (!painted) {
            job->error = "the document could not be finished";
            return SP_ERROR;
        }
        return 1;
    }
    if (!painted) {
        job->error = "the job could not be finished";
        return SP_ERROR;
    }
    return 1;
}

int CDC::AbortDoc() {
    PrintJob* job = data_->print.get();
    if (!CloseJob(job))
        return SP_ERROR;
    job->painter.end();
    if (job->pdf)
        FinishDocument(job, false);
    else
        job->printer->abort();
    return 1;
}

BOOL CDC::GetPrintedFile(std::string& path, std::vector<std::uint8_t>& bytes) const {
    const PrintJob* job = data_->print.get();
    if (job == nullptr || job->open || job->document.isEmpty())
        return FALSE;
    path = FromQ(job->printer->outputFileName());
    bytes.assign(job->document.begin(), job->document.end());
    return TRUE;
}

std::string CDC::GetPrintError() const {
    return data_->print ? data_->print->error : std::string();
}
