// Getting data out of a window: pop-up menus on a right click, accelerator keys, the file
// dialog's chosen filter, PNG bytes and the clipboard, and printing to a PDF file.

#include "test_dialogs.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace fwtest;

constexpr UINT kCmdFirst = 0x8101;
constexpr UINT kCmdSecond = 0x8102;
constexpr UINT kCmdThird = 0x8103;

// A dialog with a two-item context menu and three accelerators; it records what reached it.
class MenuDialog : public CDialog {
public:
    MenuDialog() : CDialog(kPlainDialog) {}
    std::vector<UINT> commands;
    std::vector<CWnd*> menuWindows;
    UINT returnedCommand = 0;
    bool returnCommand = false;

    const AFX_MSGMAP* GetMessageMap() const override {
        static const AFX_MSGMAP map = AFX_MSGMAP::Of<MenuDialog>(
            CDialog::GetThisMessageMap(), {
                                              OnContextMenuEntry(&MenuDialog::OnContextMenu),
                                              OnCommandEntry(kCmdFirst, &MenuDialog::OnFirst),
                                              OnCommandEntry(kCmdSecond, &MenuDialog::OnSecond),
                                              OnCommandEntry(kCmdThird, &MenuDialog::OnThird),
                                              AcceleratorEntry(FCONTROL, 'S', kCmdFirst),
                                              AcceleratorEntry(FCONTROL | FSHIFT, 'S', kCmdSecond),
                                              AcceleratorEntry(FCONTROL, 'E', kCmdThird),
                                          });
        return &map;
    }

private:
    void OnContextMenu(CWnd* window, CPoint) {
        menuWindows.push_back(window);
        CMenu menu;
        menu.CreatePopupMenu();
        menu.AppendMenu(MF_STRING, kCmdFirst, "Pierwsza\tCtrl+S");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, kCmdSecond, "Druga");
        const UINT flags = TPM_LEFTALIGN | TPM_RIGHTBUTTON | (returnCommand ? TPM_RETURNCMD : 0);
        returnedCommand = static_cast<UINT>(menu.TrackPopupMenu(flags, 0, 0, this));
    }
    void OnFirst() { commands.push_back(kCmdFirst); }
    void OnSecond() { commands.push_back(kCmdSecond); }
    void OnThird() { commands.push_back(kCmdThird); }
};

class DataOut : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestTemplates(); }
    void TearDown() override {
        afx::testing::SetPopupMenuAnswerer(nullptr);
        afx::testing::SetFileDialogAnswerer(nullptr);
        afx::testing::SetPrintDialogAnswerer(nullptr);
        afx::testing::ClearModalHooks();
    }
};

TEST_F(DataOut, RightClickShowsTheDialogsMenuAndThePickedItemSendsItsCommand) {
    struct Case {
        const char* what;
        bool onButton;      // on the "Other" button rather than a bare spot of the dialog
        UINT picked;        // what the user picks; 0 dismisses the menu
        bool returnCommand; // TPM_RETURNCMD
        std::vector<UINT> commands;
        UINT returned;
    };
    const std::vector<Case> cases = {
        {"bare spot, first item", false, kCmdFirst, false, {kCmdFirst}, TRUE},
        {"button, second item", true, kCmdSecond, false, {kCmdSecond}, TRUE},
        {"dismissed", false, 0, false, {}, 0},
        {"returned, not sent", false, kCmdSecond, true, {}, kCmdSecond},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MenuDialog dialog;
        dialog.returnCommand = c.returnCommand;
        std::vector<std::string> shownTexts;
        afx::testing::SetPopupMenuAnswerer([&](const CMenu& menu, CPoint) {
            for (const CMenu::Item& item : menu.Items())
                shownTexts.push_back(item.text);
            return static_cast<UINT_PTR>(c.picked);
        });
        afx::testing::AddModalHook(kPlainDialog, [&](CDialog& d) {
            const CRect button = afx::testing::ControlRect(d, IDC_OTHER);
            afx::testing::RightClick(d, c.onButton ? button.CenterPoint() : CPoint(280, 50));
            d.EndDialog(IDCANCEL);
        });
        dialog.DoModal();
        ASSERT_EQ(dialog.menuWindows.size(), 1u);
        EXPECT_EQ(dialog.menuWindows[0] != &dialog, c.onButton);
        EXPECT_EQ(shownTexts, (std::vector<std::string>{"Pierwsza\tCtrl+S", "", "Druga"}));
        EXPECT_EQ(dialog.commands, c.commands);
        EXPECT_EQ(dialog.returnedCommand, c.returned);
    }
}

TEST_F(DataOut, AcceleratorsSendTheirCommandOnlyForTheirExactModifiers) {
    struct Case {
        int key;
        BYTE modifiers;
        bool focusInEdit;
        std::vector<UINT> commands;
    };
    const std::vector<Case> cases = {
        {'S', FCONTROL, false, {kCmdFirst}},
        {'S', FCONTROL | FSHIFT, false, {kCmdSecond}},
        {'E', FCONTROL, true, {kCmdThird}}, // before the focused edit sees the key
        {'S', 0, false, {}},
        {'S', FALT, false, {}},
        {'X', FCONTROL, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, static_cast<char>(c.key)) + " modifiers " +
                     std::to_string(c.modifiers));
        MenuDialog dialog;
        afx::testing::AddModalHook(kPlainDialog, [&](CDialog& d) {
            afx::testing::SetFocusTo(d, c.focusInEdit ? IDC_EDIT : IDC_OTHER);
            afx::testing::PressKey(d, c.key, c.modifiers);
            d.EndDialog(IDCANCEL);
        });
        dialog.DoModal();
        EXPECT_EQ(dialog.commands, c.commands);
    }
}

TEST_F(DataOut, FileDialogReportsTheFilterTheUserLeftChosen) {
    struct Case {
        DWORD preset;   // m_ofn.nFilterIndex before DoModal
        DWORD offered;  // what the dialog starts with
        DWORD answered; // what the user chooses
        DWORD reported; // m_ofn.nFilterIndex after DoModal
    };
    const std::vector<Case> cases = {
        {1, 1, 2, 2},
        {2, 2, 2, 2},
        {7, 1, 1, 1}, // an index beyond the filters starts on the first
        {2, 2, 9, 2}, // an answer beyond them changes nothing
    };
    for (const Case& c : cases) {
        CFileDialog dialog(FALSE, "csv", "", 0, "Pierwszy (*.csv)|*.csv|Drugi (*.csv)|*.csv||");
        dialog.m_ofn.nFilterIndex = c.preset;
        DWORD offered = 0;
        afx::testing::SetFileDialogFilterAnswerer(
            [&](const CFileDialog&, std::string& path, DWORD& filterIndex) {
                offered = filterIndex;
                filterIndex = c.answered;
                path = "/tmp/wynik";
                return true;
            });
        ASSERT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(offered, c.offered) << c.preset;
        EXPECT_EQ(dialog.m_ofn.nFilterIndex, c.reported) << c.preset;
        EXPECT_EQ(dialog.GetPathName(), "/tmp/wynik.csv");
    }
}

TEST_F(DataOut, BitmapGoesToPngBytesAndToTheClipboardPixelForPixel) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 37, 23));
    CBitmap* old = dc.SelectObject(&bitmap);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            dc.SetPixel(x, y, RGB(x * 7, y * 11, (x * y) & 0xFF));

    std::vector<std::uint8_t> png;
    ASSERT_TRUE(bitmap.EncodePng(png));
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    afx::testing::ClearClipboard();
    ASSERT_TRUE(AfxSetClipboardBitmap(bitmap));
    for (const afx::testing::Image& image :
         {afx::testing::DecodePng(png), afx::testing::ClipboardImage()}) {
        ASSERT_EQ(image.width, 37);
        ASSERT_EQ(image.height, 23);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(image.Pixel(x, y), dc.GetPixel(x, y)) << x << ", " << y;
    }
    dc.SelectObject(old);

    CBitmap never;
    EXPECT_FALSE(never.EncodePng(png));
    EXPECT_TRUE(png.empty());
    EXPECT_FALSE(AfxSetClipboardBitmap(never));
}

// Pages and the first page's size in points, from the PDF's page objects.
struct PdfPages {
    int count = 0;
    int width = 0;
    int height = 0;
};
PdfPages ReadPdfPages(const std::vector<std::uint8_t>& bytes) {
    const std::string text(bytes.begin(), bytes.end());
    PdfPages pages;
    for (std::size_t at = text.find("/Type /Page"); at != std::string::npos;
         at = text.find("/Type /Page", at + 1))
        pages.count += text.compare(at, 12, "/Type /Pages") == 0 ? 0 : 1;
    const std::size_t box = text.find("/MediaBox [");
    if (box != std::string::npos) {
        int x0 = 0, y0 = 0;
        std::sscanf(text.c_str() + box, "/MediaBox [%d %d %d %d", &x0, &y0, &pages.width,
                    &pages.height);
    }
    return pages;
}

TEST_F(DataOut, PrintingToAPdfFileGivesTheDocumentToTheCallerWhenItEnds) {
    TemporaryDirectory folder;
    const std::string pdf = folder.PathOf("wydruk.pdf");
    afx::testing::SetPrintDialogAnswerer([&](const CPrintDialog&, std::string& path) {
        path = pdf;
        return true;
    });
    CBitmap bitmap;
    CDC source;
    source.CreateCompatibleDC(nullptr);
    bitmap.CreateCompatibleBitmap(&source, 70, 45);
    source.SelectObject(&bitmap);

    CPrintDialog dialog;
    dialog.m_orientation = DMORIENT_LANDSCAPE;
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetDeviceName(), pdf);
    CDC printer;
    ASSERT_TRUE(dialog.CreatePrinterDC(printer));
    ASSERT_GT(printer.StartDoc("Wykres"), 0);
    EXPECT_GE(printer.GetDeviceCaps(LOGPIXELSY), 300);
    EXPECT_GT(printer.GetDeviceCaps(HORZRES), printer.GetDeviceCaps(VERTRES)); // landscape
    for (int page = 0; page < 2; ++page) {
        ASSERT_GT(printer.StartPage(), 0);
        EXPECT_TRUE(printer.TextOut(0, 0, "Tytuł"));
        EXPECT_TRUE(printer.StretchBlt(0, 200, 7000, 4500, &source, 0, 0, 70, 45, SRCCOPY));
        ASSERT_GT(printer.EndPage(), 0);
    }
    std::string path;
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(printer.GetPrintedFile(path, bytes)); // nothing before the end
    ASSERT_GT(printer.EndDoc(), 0);
    ASSERT_TRUE(printer.GetPrintedFile(path, bytes));
    EXPECT_EQ(path, pdf);
    const PdfPages pages = ReadPdfPages(bytes);
    EXPECT_EQ(pages.count, 2);
    EXPECT_GT(pages.width, pages.height);
    EXPECT_EQ(folder.EntryCount(), 0u); // the caller saves it

    // An aborted job gives nothing.
    CDC aborted;
    ASSERT_TRUE(dialog.CreatePrinterDC(aborted));
    ASSERT_GT(aborted.StartDoc("Wykres"), 0);
    ASSERT_GT(aborted.StartPage(), 0);
    EXPECT_GT(aborted.AbortDoc(), 0);
    EXPECT_FALSE(aborted.GetPrintedFile(path, bytes));
    EXPECT_EQ(folder.EntryCount(), 0u);

    afx::testing::SetPrintDialogAnswerer([](const CPrintDialog&, std::string&) { return false; });
    CPrintDialog cancelled;
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    CDC none;
    EXPECT_FALSE(cancelled.CreatePrinterDC(none));
}

} // namespace
