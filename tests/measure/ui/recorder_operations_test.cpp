// "Odczyt pomiarów", "Odczytaj z pliku" and "Zapisz do pliku" on the real main window, with
// the simulator on a pseudo-terminal as the device.

#include "base/atomic_file.h"
#include "base/text_format.h"
#include "framework/file_dialog.h"
#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "link/queue.h"
#include "measure/ui/dlg_wykres.h"
#include "res/resource.h"
#include "tests/support/file_bytes.h"
#include "tests/support/terminal_harness.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using afx::testing::ClickButton;
using afx::testing::WaitUntil;

constexpr std::size_t kImageSize = protocol::kRecorderSize;
const char* const kFilter = "Lista plików pomiarów (*.qz)|*.qz|Wszystkie pliki (*.*)|*.*||";
// What the save dialog asks after the name of the file it would replace.
const char* const kReplaceQuestion = " już istnieje.\nCzy chcesz go zastąpić?";

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 7 + seed + i / 251) & 0xFF);
    }
    return bytes;
}

bool ImageIs(CLWDlg& dlg, const std::vector<std::uint8_t>& bytes) {
    return bytes.size() == kImageSize &&
           std::memcmp(dlg.MemoryImage(), bytes.data(), kImageSize) == 0;
}

// What a file dialog was shown with.
struct t_seen_dialog {
    bool open = false;
    std::string title;
    std::string filter;
    std::string defExt;
    std::string initialName;
    std::string initialDir;
    DWORD flags = 0;
};

// Answers every file dialog with `path` (empty: cancel) and records what it showed.
std::vector<t_seen_dialog>& AnswerFileDialogs(const std::string& path) {
    static std::vector<t_seen_dialog> seen;
    seen.clear();
    afx::testing::SetFileDialogAnswerer([path](const CFileDialog& dialog, std::string& chosen) {
        seen.push_back({dialog.IsOpenDialog() != FALSE, dialog.m_title, dialog.GetFilter(),
                        dialog.GetDefExt(), dialog.GetInitialFileName(), dialog.m_initialDir,
                        dialog.GetFlags()});
        chosen = path;
        return !path.empty();
    });
    return seen;
}

// Clicks a button of the main window and lets its handler run to its end.
void Press(CLWDlg& dlg, int id) {
    ClickButton(dlg, id);
    afx::testing::ProcessEvents(100);
}

bool Load(CLWDlg& dlg, const std::string& path) {
    AnswerFileDialogs(path);
    Press(dlg, IDC_LOAD_FILE);
    return TerminalHarness::WaitForConsoleLine(
        dlg, Format("Plik '%s' odczytany, %d bajtow", path.c_str(), static_cast<int>(kImageSize)),
        2000);
}

TEST(LoadFile, ReadsAFileOfExactlyTheImageSizeIntoTheImage) {
    TerminalHarness h;
    const std::string path = h.PathOf("pomiar.qz");
    const auto bytes = Pattern(kImageSize, 3);
    WriteBytes(path, bytes);
    h.Run([&](CLWDlg& dlg) {
        auto& seen = AnswerFileDialogs(path);
        Press(dlg, IDC_LOAD_FILE);
        EXPECT_TRUE(TerminalHarness::WaitForConsoleLine(
            dlg, "Plik '" + path + "' odczytany, 475136 bajtow", 2000));
        EXPECT_TRUE(ImageIs(dlg, bytes));
        EXPECT_EQ(dlg.ImageSource(), path);
        EXPECT_TRUE(h.Boxes().empty());
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_TRUE(seen[0].open);
        EXPECT_EQ(seen[0].title, "Otwiera liste plików wyników pomiarów");
        EXPECT_EQ(seen[0].filter, kFilter);
        EXPECT_EQ(seen[0].defExt, "qz");
        EXPECT_EQ(seen[0].initialName, "");
        EXPECT_EQ(seen[0].initialDir, "");
        EXPECT_EQ(seen[0].flags, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    });
}

TEST(LoadFile, RefusesFilesOneByteShortOrLongAndKeepsTheImage) {
    TerminalHarness h;
    const auto loaded = Pattern(kImageSize, 1);
    WriteBytes(h.PathOf("dobry.qz"), loaded);
    WriteBytes(h.PathOf("krotki.qz"), Pattern(kImageSize - 1, 2));
    WriteBytes(h.PathOf("dlugi.qz"), Pattern(kImageSize + 1, 2));
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(Load(dlg, h.PathOf("dobry.qz")));
        const auto linesBefore = TerminalHarness::ConsoleLines(dlg).size();
        for (const char* name : {"krotki.qz", "dlugi.qz"}) {
            h.ClearBoxes();
            AnswerFileDialogs(h.PathOf(name));
            Press(dlg, IDC_LOAD_FILE);
            EXPECT_TRUE(WaitUntil([&] { return !h.Boxes().empty(); }, 2000)) << name;
            EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"To nie jest plik z probkami"});
            EXPECT_TRUE(ImageIs(dlg, loaded)) << name;
        }
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).size(), linesBefore);
    });
}

TEST(LoadFile, UnreadableChoiceShowsReadErrorAndKeepsTheImage) {
    TerminalHarness h;
    const auto loaded = Pattern(kImageSize, 9);
    WriteBytes(h.PathOf("dobry.qz"), loaded);
    std::filesystem::create_directory(h.PathOf("katalog.qz"));
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(Load(dlg, h.PathOf("dobry.qz")));
        for (const char* name : {"katalog.qz", "nie_ma.qz"}) {
            h.ClearBoxes();
            AnswerFileDialogs(h.PathOf(name));
            Press(dlg, IDC_LOAD_FILE);
            EXPECT_TRUE(WaitUntil([&] { return !h.Boxes().empty(); }, 2000)) << name;
            EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"Blad w odczycie pliku!"}) << name;
            EXPECT_TRUE(ImageIs(dlg, loaded)) << name;
        }
    });
}

TEST(LoadFile, NameTypedWithoutExtensionGetsQz) {
    TerminalHarness h;
    const auto bytes = Pattern(kImageSize, 5);
    WriteBytes(h.PathOf("trasa.qz"), bytes);
    h.Run([&](CLWDlg& dlg) {
        AnswerFileDialogs(h.PathOf("trasa"));
        Press(dlg, IDC_LOAD_FILE);
        EXPECT_TRUE(TerminalHarness::WaitForConsoleLine(
            dlg, "Plik '" + h.PathOf("trasa.qz") + "' odczytany, 475136 bajtow", 2000));
        EXPECT_TRUE(ImageIs(dlg, bytes));
    });
}

TEST(FileDialogs, CancelLeavesEverythingAsItWas) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        auto& seen = AnswerFileDialogs("");
        Press(dlg, IDC_LOAD_FILE);
        Press(dlg, IDC_SAVE_FILE);
        EXPECT_EQ(seen.size(), 2u);
        EXPECT_TRUE(h.Boxes().empty());
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg), lines);
        EXPECT_TRUE(ImageIs(dlg, std::vector<std::uint8_t>(kImageSize, 0)));
    });
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.Directory()), {}),
              2); // config.cfg, COM1
}

TEST(SaveFile, AsksBeforeReplacingTheFileTheNameSettlesOnAndNoLeavesItAsItWas) {
    struct Case {
        const char* typed;    // the name given in the dialog
        const char* existing; // a file there before, 1000 bytes of its own
        int answer;           // to the question, if asked
        const char* asked;    // the file the question names; nullptr: no question
        const char* saved;    // the file the image went to; nullptr: none
    };
    const Case cases[] = {
        {"stary.qz", "stary.qz", IDYES, "stary.qz", "stary.qz"},
        {"stary.qz", "stary.qz", IDNO, "stary.qz", nullptr},
        {"trasa", "trasa.qz", IDNO, "trasa.qz", nullptr},
        {"trasa", "trasa", IDNO, "trasa", nullptr},
        {"trasa", "trasa", IDYES, "trasa", "trasa"},
        {"nowy", "stary.qz", IDNO, nullptr, "nowy.qz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " over " + c.existing);
        TerminalHarness h;
        const auto image = Pattern(kImageSize, 7);
        WriteBytes(h.PathOf("zrodlo.qz"), image);
        const auto old = Pattern(1000, 1);
        WriteBytes(h.PathOf(c.existing), old);
        h.Run([&](CLWDlg& dlg) {
            ASSERT_TRUE(Load(dlg, h.PathOf("zrodlo.qz")));
            const auto lines = TerminalHarness::ConsoleLines(dlg);
            // The name once; shown again after a "Nie", the dialog is cancelled.
            std::vector<t_seen_dialog> seen;
            afx::testing::SetFileDialogAnswerer([&](const CFileDialog& dialog, std::string& path) {
                seen.push_back({dialog.IsOpenDialog() != FALSE, dialog.m_title, dialog.GetFilter(),
                                dialog.GetDefExt(), dialog.GetInitialFileName(),
                                dialog.m_initialDir, dialog.GetFlags()});
                path = h.PathOf(c.typed);
                return seen.size() == 1;
            });
            h.AnswerNext(c.answer);
            Press(dlg, IDC_SAVE_FILE);
            if (c.asked != nullptr) {
                ASSERT_EQ(h.Boxes().size(), 1u);
                EXPECT_EQ(h.Boxes()[0].text, std::string(c.asked) + kReplaceQuestion);
                EXPECT_EQ(h.Boxes()[0].type & 0x0F, static_cast<UINT>(MB_YESNO));
            } else {
                EXPECT_TRUE(h.Boxes().empty());
            }
            EXPECT_EQ(seen.size(), c.answer == IDNO && c.asked != nullptr ? 2u : 1u);
            EXPECT_FALSE(seen[0].open);
            EXPECT_EQ(seen[0].title, "Zapisz jako plik wyników pomiarów");
            EXPECT_EQ(seen[0].filter, kFilter);
            EXPECT_EQ(seen[0].defExt, "qz");
            EXPECT_EQ(seen[0].initialDir, h.Directory());
            EXPECT_EQ(seen[0].flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
            if (c.saved != nullptr) {
                EXPECT_TRUE(TerminalHarness::WaitForConsoleLine(
                    dlg, "Plik '" + h.PathOf(c.saved) + "' zapisany, 475136 bajtow", 2000));
                EXPECT_EQ(dlg.ImageSource(), h.PathOf(c.saved));
            } else {
                EXPECT_EQ(TerminalHarness::ConsoleLines(dlg), lines);
                EXPECT_EQ(dlg.ImageSource(), h.PathOf("zrodlo.qz"));
            }
        });
        EXPECT_EQ(ReadBytes(h.PathOf(c.existing)),
                  c.saved != nullptr && std::string(c.saved) == c.existing ? image : old);
        if (c.saved != nullptr) {
            EXPECT_EQ(ReadBytes(h.PathOf(c.saved)), image);
        }
        // Nothing written beside: the two files and the harness's own.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.Directory()), {}),
                  c.saved != nullptr && std::string(c.saved) != c.existing ? 5 : 4);
    }
}

TEST(SaveFile, RightAfterStartWritesZerosUnderANameGivenQz) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        EXPECT_EQ(dlg.ImageSource(), "");
        AnswerFileDialogs(h.PathOf("pusty"));
        Press(dlg, IDC_SAVE_FILE);
        EXPECT_TRUE(TerminalHarness::WaitForConsoleLine(
            dlg, "Plik '" + h.PathOf("pusty.qz") + "' zapisany, 475136 bajtow", 2000));
        EXPECT_EQ(dlg.ImageSource(), h.PathOf("pusty.qz"));
    });
    EXPECT_EQ(ReadBytes(h.PathOf("pusty.qz")), std::vector<std::uint8_t>(kImageSize, 0));
    EXPECT_FALSE(std::filesystem::exists(h.PathOf("pusty")));
}

ssize_t FailingWrite(int, const void*, std::size_t count) {
    static int calls = 0;
    if (++calls % 2 == 1 && count > 4096) {
        return 4096; // some bytes get through before the disk fails
    }
    errno = ENOSPC;
    return -1;
}

TEST(SaveFile, WriteFailureKeepsTheOldFileAndSaysSo) {
    TerminalHarness h;
    const std::string target = h.PathOf("stary.qz");
    const auto old = Pattern(kImageSize, 4);
    WriteBytes(target, old);
    h.Run([&](CLWDlg& dlg) {
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        SetAtomicWriteFunctionForTest(&FailingWrite);
        AnswerFileDialogs(target);
        Press(dlg, IDC_SAVE_FILE); // "Tak" to replacing it
        SetAtomicWriteFunctionForTest(nullptr);
        EXPECT_TRUE(WaitUntil([&] { return h.Boxes().size() == 2; }, 2000));
        EXPECT_EQ(h.BoxTexts(),
                  (std::vector<std::string>{std::string("stary.qz") + kReplaceQuestion,
                                            "Nie mozna otworzyc pliku do zapisu!"}));
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg), lines);

        h.ClearBoxes();
        AnswerFileDialogs(h.PathOf("nie_ma/plik.qz"));
        Press(dlg, IDC_SAVE_FILE);
        EXPECT_TRUE(WaitUntil([&] { return !h.Boxes().empty(); }, 2000));
        EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"Nie mozna otworzyc pliku do zapisu!"});
        EXPECT_EQ(dlg.ImageSource(), ""); // not saved anywhere
    });
    EXPECT_EQ(ReadBytes(target), old);
    // No temporary file left beside the target.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(h.Directory())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"COM1", "config.cfg", "stary.qz"}));
}

// ---- Against the simulated device ---------------------------------------------------------

std::vector<std::uint8_t> DeviceRecorder(TerminalHarness& h) {
    return h.Sim().WithDevice([](DeviceSimulator& d) { return d.Memory().Recorder(); });
}

TEST(ReadRecorder, CopiesTheWholeRecorderByteForByteAndSavesExactlyIt) {
    TerminalHarness h;
    const auto device = DeviceRecorder(h);
    ASSERT_EQ(device.size(), kImageSize);
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg)) << TerminalHarness::ConsoleText(dlg);
        Press(dlg, IDC_READ_RECORDER);
        ASSERT_TRUE(TerminalHarness::WaitForConsoleLine(dlg, "koniec transmisji", 240000));
        EXPECT_TRUE(WaitUntil([&] { return ImageIs(dlg, device); }, 2000));
        // The factory number first, one chunk of block 2 read in passing: no second
        // transfer line. A reply that came after its wait on a loaded machine costs its
        // chunk a second request.
        EXPECT_EQ(h.Sim().CommandCount(protocol::kCmdReadChunk) - dlg.Queue().Retries(),
                  1u + 8336u);
        const auto lines = TerminalHarness::ConsoleLines(dlg);
        EXPECT_EQ(CountLines(lines, "Odczyt rejestratora"), 1);
        EXPECT_EQ(CountLines(lines, "Transmisja 50B"), 0);
        EXPECT_EQ(CountLines(lines, "Transmisja 475136B"), 1);
        EXPECT_TRUE(h.Boxes().empty());
        EXPECT_EQ(dlg.ImageSource().rfind("odczyt z urządzenia 20", 0), 0u) << dlg.ImageSource();
        EXPECT_EQ(dlg.ImageSource().size(),
                  std::string("odczyt z urządzenia 2026-03-14 09:00:00").size());

        // The device's recordings are charted.
        int runs = 0;
        afx::testing::AddModalHook(IDD_WYKRES, [&runs](CDialog& chart) {
            runs = static_cast<CDlgWykres&>(chart).m_sampleList.GetStampCount();
            chart.EndDialog(IDCANCEL);
        });
        Press(dlg, IDC_SPEED_CHART);
        EXPECT_TRUE(WaitUntil([&] { return runs > 0; }, 2000));
        EXPECT_TRUE(h.Boxes().empty());

        AnswerFileDialogs(h.PathOf("odczyt.qz"));
        Press(dlg, IDC_SAVE_FILE);
        EXPECT_TRUE(TerminalHarness::WaitForConsoleLine(
            dlg, "Plik '" + h.PathOf("odczyt.qz") + "' zapisany, 475136 bajtow", 2000));
    });
    EXPECT_EQ(ReadBytes(h.PathOf("odczyt.qz")), device);
}

TEST(ReadRecorder, FailedReadoutLeavesALoadedImageInPlace) {
    TerminalHarness h;
    const auto loaded = Pattern(kImageSize, 11);
    WriteBytes(h.PathOf("wczytany.qz"), loaded);
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(Load(dlg, h.PathOf("wczytany.qz")));
        ASSERT_TRUE(h.Connect(dlg)) << TerminalHarness::ConsoleText(dlg);
        // Every try of the 50th chunk goes unanswered.
        h.Sim().WithDevice([](DeviceSimulator& d) {
            d.AddFault(FaultRule(SimFault::FallSilent, protocol::kCmdReadChunk, 50));
        });
        Press(dlg, IDC_READ_RECORDER);
        EXPECT_TRUE(TerminalHarness::WaitForConsoleLine(dlg, "Przerwano transmisję", 10000));
        afx::testing::ProcessEvents(200);
        EXPECT_EQ(h.BoxTexts(), std::vector<std::string>{"Urządzenie nie odpowiada"});
        EXPECT_TRUE(ImageIs(dlg, loaded));
        EXPECT_EQ(dlg.ImageSource(), h.PathOf("wczytany.qz"));
    });
}

} // namespace
