// The chart's context menu and keys on the real main window: the PNG file and the
// clipboard against the chart as the window shows it, the printed PDF page, the CSV of the
// whole image in both dialects, and failures that leave no file behind.

#include "base/text_format.h"
#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "measure/recorded_samples.h"
#include "measure/ui/dlg_wykres.h"
#include "res/resource.h"
#include "sim/recorder_content.h"
#include "tests/support/file_bytes.h"
#include "tests/support/terminal_harness.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using afx::testing::Image;
using afx::testing::WaitUntil;

t_harness_options WithoutDevice() {
    t_harness_options options;
    options.startSimulator = false;
    return options;
}

std::vector<std::uint8_t> Recording() {
    t_recorder_options options;
    options.now = 1780000000; // 2026
    return GenerateRecorderImage(options);
}

// Loads the image from a file, opens the speed chart and runs `steps` inside it.
void WithChart(TerminalHarness& h, CLWDlg& dlg, const std::function<void(CDlgWykres&)>& steps) {
    const std::string path = h.PathOf("trasa.qz");
    WriteBytes(path, Recording());
    afx::testing::SetFileDialogAnswerer([path](const CFileDialog&, std::string& chosen) {
        chosen = path;
        return true;
    });
    afx::testing::ClickButton(dlg, IDC_LOAD_FILE);
    ASSERT_TRUE(
        TerminalHarness::WaitForConsoleLine(dlg,
                                            Format("Plik '%s' odczytany, %d bajtow", path.c_str(),
                                                   static_cast<int>(protocol::kRecorderSize)),
                                            2000));
    bool done = false;
    afx::testing::AddModalHook(IDD_WYKRES, [&](CDialog& dialog) {
        auto& chart = static_cast<CDlgWykres&>(dialog);
        afx::testing::ProcessEvents(100);
        // A later run with a trip in it, the cursor off its middle.
        afx::testing::SetSliderPos(chart, IDC_RUN_SLIDER, chart.m_sampleList.GetStampCount() - 3);
        afx::testing::SetSliderPos(chart, IDC_CURSOR_SLIDER, 40);
        afx::testing::ProcessEvents(100);
        steps(chart);
        afx::testing::PressEscape(chart);
        done = true;
    });
    afx::testing::ClickButton(dlg, IDC_SPEED_CHART);
    EXPECT_TRUE(WaitUntil([&] { return done; }, 10000));
    afx::testing::SetFileDialogAnswerer(nullptr);
    afx::testing::SetPopupMenuAnswerer(nullptr);
    afx::testing::SetPrintDialogAnswerer(nullptr);
}

// Every file dialog answered with `path` and the filter `filterIndex`.
void AnswerWith(const std::string& path, DWORD filterIndex = 1) {
    afx::testing::SetFileDialogFilterAnswerer(
        [path, filterIndex](const CFileDialog&, std::string& chosen, DWORD& filter) {
            chosen = path;
            filter = filterIndex;
            return true;
        });
}

// The chart's field in the grabbed window: from (20, 20), 700 x 450.
bool SameAsWindowChart(const Image& picture, const Image& window) {
    if (picture.width != 700 || picture.height != 450) {
        ADD_FAILURE() << "picture of " << picture.width << " x " << picture.height;
        return false;
    }
    for (int y = 0; y < 450; ++y) {
        for (int x = 0; x < 700; ++x) {
            if (picture.Pixel(x, y) != window.Pixel(x + 20, y + 20)) {
                ADD_FAILURE() << "differs at (" << x << ", " << y << ")";
                return false;
            }
        }
    }
    return true;
}

int PdfPageCount(const std::string& text) {
    int pages = 0;
    for (std::size_t at = text.find("/Type /Page"); at != std::string::npos;
         at = text.find("/Type /Page", at + 1)) {
        pages += text.compare(at, 12, "/Type /Pages") == 0 ? 0 : 1;
    }
    return pages;
}

std::vector<std::string> CsvLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         from = at + 2, at = text.find("\r\n", from)) {
        lines.push_back(text.substr(from, at - from));
    }
    return lines;
}

TEST(ChartOutput, MenuAndKeysSaveCopyPrintAndExportWithoutChangingTheWindow) {
    TerminalHarness h(WithoutDevice());
    const std::vector<std::uint8_t> image = Recording();
    std::size_t samples = 0;
    for (const t_recorded_run& run : RecordedRuns(image.data(), image.size())) {
        samples += run.samples.size();
    }
    ASSERT_GT(samples, 616u);

    h.Run([&](CLWDlg& dlg) {
        WithChart(h, dlg, [&](CDlgWykres& chart) {
            const Image before = afx::testing::GrabWindow(chart);
            const int cursor = afx::testing::GetSliderPos(chart, IDC_CURSOR_SLIDER);
            const int run = afx::testing::GetSliderPos(chart, IDC_RUN_SLIDER);

            // A right click on the chart offers the four commands; one beside it nothing.
            std::vector<std::string> items;
            const UINT_PTR pick = CDlgWykres::kCmdSaveImage;
            afx::testing::SetPopupMenuAnswerer([&](const CMenu& menu, CPoint) {
                items.clear();
                for (const CMenu::Item& item : menu.Items()) {
                    items.push_back(item.text);
                }
                return pick;
            });
            afx::testing::RightClick(chart, CPoint(10, 300));  // left of the chart
            afx::testing::RightClick(chart, CPoint(360, 480)); // below it, on a slider
            EXPECT_TRUE(items.empty());

            AnswerWith(h.PathOf("menu"));
            afx::testing::RightClick(chart, CPoint(400, 200));
            EXPECT_EQ(items, (std::vector<std::string>{"Zapisz wykres jako obraz...\tCtrl+S",
                                                       "Kopiuj wykres\tCtrl+C", "Drukuj...\tCtrl+P",
                                                       "", "Eksportuj pomiary do CSV...\tCtrl+E"}));
            const std::vector<std::uint8_t> png = ReadBytes(h.PathOf("menu.png"));
            EXPECT_TRUE(SameAsWindowChart(afx::testing::DecodePng(png), before));
            // Each key runs its command.
            AnswerWith(h.PathOf("klawisz.png"));
            afx::testing::PressKey(chart, 'S', FCONTROL);
            EXPECT_EQ(ReadBytes(h.PathOf("klawisz.png")), png);

            afx::testing::ClearClipboard();
            afx::testing::PressKey(chart, 'C', FCONTROL);
            EXPECT_TRUE(SameAsWindowChart(afx::testing::ClipboardImage(), before));

            afx::testing::SetPrintDialogAnswerer([&](const CPrintDialog& dialog, std::string& pdf) {
                EXPECT_EQ(dialog.m_orientation, DMORIENT_LANDSCAPE);
                pdf = h.PathOf("wydruk.pdf");
                return true;
            });
            // Printed over a file with a second hard link, which keeps it.
            WriteBytes(h.PathOf("wydruk.pdf"), {'s', 't', 'a', 'r', 'y'});
            ASSERT_EQ(::link(h.PathOf("wydruk.pdf").c_str(), h.PathOf("drugi.pdf").c_str()), 0);
            afx::testing::PressKey(chart, 'P', FCONTROL);
            const std::vector<std::uint8_t> pdf = ReadBytes(h.PathOf("wydruk.pdf"));
            EXPECT_EQ(PdfPageCount(std::string(pdf.begin(), pdf.end())), 1);
            EXPECT_EQ(ReadBytes(h.PathOf("drugi.pdf")), pdf);

            struct Dialect {
                DWORD filter;
                const char* name;
                char separator;
            };
            for (const Dialect& d :
                 {Dialect{1, "arkusz.csv", ';'}, Dialect{2, "zwykly.csv", ','}}) {
                AnswerWith(h.PathOf(d.name), d.filter);
                afx::testing::PressKey(chart, 'E', FCONTROL);
                const std::vector<std::uint8_t> bytes = ReadBytes(h.PathOf(d.name));
                const std::vector<std::string> lines =
                    CsvLines(std::string(bytes.begin(), bytes.end()));
                EXPECT_EQ(lines.size(), samples + 1) << d.name; // the header and one per sample
                ASSERT_GT(lines.size(), 1u);
                EXPECT_EQ(std::count(lines[1].begin(), lines[1].end(), d.separator), 3) << lines[1];
            }

            EXPECT_TRUE(h.Boxes().empty()) << h.BoxTexts().front();
            afx::testing::ProcessEvents(100);
            const Image after = afx::testing::GrabWindow(chart);
            EXPECT_EQ(after.pixels, before.pixels);
            EXPECT_EQ(afx::testing::GetSliderPos(chart, IDC_CURSOR_SLIDER), cursor);
            EXPECT_EQ(afx::testing::GetSliderPos(chart, IDC_RUN_SLIDER), run);
            EXPECT_EQ(afx::testing::WindowCaption(chart), "Wykres predkosci w funkcji czasu");
        });
    });
}

TEST(ChartOutput, CtrlCCopiesTheTextSelectedInATimeBoxAndElseTheChart) {
    constexpr int kHome = 0x01000010; // Qt's key codes
    constexpr int kEnd = 0x01000011;
    constexpr int kRight = 0x01000014;
    struct Case {
        int focus;
        int selected; // characters from the start with Shift held; -1: to the end
        bool text;    // the selected text goes to the clipboard; false: the chart
    };
    const Case cases[] = {
        {IDC_CHART_START, 4, true},  // the year
        {IDC_CHART_END, -1, true},   // all of it
        {IDC_CHART_START, 0, false}, // the cursor in the box, nothing selected
        {IDC_CURSOR_SLIDER, 0, false},
    };
    TerminalHarness h(WithoutDevice());
    h.Run([&](CLWDlg& dlg) {
        WithChart(h, dlg, [&](CDlgWykres& chart) {
            const Image window = afx::testing::GrabWindow(chart);
            for (const Case& c : cases) {
                SCOPED_TRACE(std::to_string(c.focus) + " " + std::to_string(c.selected));
                afx::testing::SetFocusTo(chart, c.focus);
                afx::testing::PressKey(chart, kHome);
                if (c.selected < 0) {
                    afx::testing::PressKey(chart, kEnd, FSHIFT);
                }
                for (int i = 0; i < c.selected; ++i) {
                    afx::testing::PressKey(chart, kRight, FSHIFT);
                }
                afx::testing::ClearClipboard();
                afx::testing::PressKey(chart, 'C', FCONTROL);
                if (c.text) {
                    const std::string box = afx::testing::GetControlText(chart, c.focus);
                    EXPECT_EQ(afx::testing::ClipboardText(),
                              c.selected < 0 ? box : box.substr(0, c.selected));
                    EXPECT_EQ(afx::testing::ClipboardImage().width, 0);
                } else {
                    EXPECT_TRUE(SameAsWindowChart(afx::testing::ClipboardImage(), window));
                    EXPECT_EQ(afx::testing::ClipboardText(), "");
                }
            }
            EXPECT_TRUE(h.Boxes().empty());
        });
    });
}

TEST(ChartOutput, PrintTitleNamesTheRunShownAndWhereTheImageCameFrom) {
    TerminalHarness h(WithoutDevice());
    h.Run([&](CLWDlg& dlg) {
        WithChart(h, dlg, [&](CDlgWykres& chart) {
            const CSampleStamp* run = chart.m_sampleList.GetStamp(chart.m_run);
            ASSERT_NE(run, nullptr);
            const t_device_time start = run->GetStartTime();
            EXPECT_EQ(chart.PrintTitle(),
                      "Wykres predkosci w funkcji czasu   " + FormatDeviceTime(start) + " - " +
                          FormatDeviceTime(AddSeconds(start, run->GetSampleCount() - 1)) + "   " +
                          h.PathOf("trasa.qz"));
        });
    });
}

TEST(ChartOutput, FailedSaveOrPrintTellsWhyAndLeavesNoFile) {
    TerminalHarness h(WithoutDevice());
    h.Run([&](CLWDlg& dlg) {
        WithChart(h, dlg, [&](CDlgWykres& chart) {
            const std::string missing = h.PathOf("nie_ma/");
            const std::string fifo = h.PathOf("fifo");
            ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
            const std::string notRegular = std::strerror(ENOTSUP);
            struct Case {
                int key;
                std::string path;
                std::string box;
            };
            const std::vector<Case> cases = {
                {'S', missing + "wykres.png",
                 "Nie można zapisać pliku " + missing + "wykres.png: No such file or directory"},
                {'E', missing + "pomiary.csv",
                 "Nie można zapisać pliku " + missing + "pomiary.csv: No such file or directory"},
                {'P', missing + "wydruk.pdf",
                 "Nie można zapisać pliku " + missing + "wydruk.pdf: No such file or directory"},
                // A device or a FIFO is refused with one reason, whether it opens or not.
                {'E', "/dev/null", "Nie można zapisać pliku /dev/null: " + notRegular},
                {'S', fifo, "Nie można zapisać pliku " + fifo + ": " + notRegular},
            };
            afx::testing::SetPrintDialogAnswerer([&](const CPrintDialog&, std::string& pdf) {
                pdf = missing + "wydruk.pdf";
                return true;
            });
            for (const Case& c : cases) {
                h.ClearBoxes();
                AnswerWith(c.path);
                afx::testing::PressKey(chart, c.key, FCONTROL);
                // A name that exists is first the file dialog's replace question.
                const std::size_t asked = std::filesystem::exists(c.path) ? 1 : 0;
                ASSERT_EQ(h.Boxes().size(), asked + 1) << c.path;
                EXPECT_EQ(h.Boxes()[asked].text.substr(0, c.box.size()), c.box);
                EXPECT_GT(h.Boxes()[asked].text.size(), c.box.size() - 1);
            }
        });
    });
    // The program directory holds what it held, and the measurement file.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(h.Directory())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"config.cfg", "fifo", "trasa.qz"}));
}

} // namespace
