#include "test_dialogs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

using namespace afx::testing;

namespace {

const char* kFilter = "Lista plików pomiarów (*.qz)|*.qz|Wszystkie pliki (*.*)|*.*||";

TEST(SeamsTest, FileDialogAnswererSeesTheDialogAndTheDefaultExtensionIsAppended) {
    std::string seenTitle, seenDir, seenFilter, seenExt;
    DWORD seenFlags = 0;
    bool seenOpen = true;
    SetFileDialogAnswerer([&](const CFileDialog& d, std::string& path) {
        seenTitle = d.m_title;
        seenDir = d.m_initialDir;
        seenFilter = d.GetFilter();
        seenExt = d.GetDefExt();
        seenFlags = d.GetFlags();
        seenOpen = d.IsOpenDialog();
        path = "/tmp/pomiar";
        return true;
    });
    CFileDialog save(FALSE, "qz", "", OFN_HIDEREADONLY, kFilter);
    save.m_title = "Zapisz jako plik wyników pomiarów";
    save.m_initialDir = "/opt/re2/";
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/tmp/pomiar.qz");
    EXPECT_EQ(seenTitle, "Zapisz jako plik wyników pomiarów");
    EXPECT_EQ(seenDir, "/opt/re2/");
    EXPECT_EQ(seenFilter, kFilter);
    EXPECT_EQ(seenExt, "qz");
    EXPECT_EQ(seenFlags, OFN_HIDEREADONLY);
    EXPECT_FALSE(seenOpen);

    SetFileDialogAnswerer([](const CFileDialog&, std::string& path) {
        path = "/tmp/dir.v2/pomiar.bin";
        return true;
    });
    CFileDialog open(TRUE, "qz", "", OFN_FILEMUSTEXIST, kFilter);
    ASSERT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetPathName(), "/tmp/dir.v2/pomiar.bin");

    SetFileDialogAnswerer([](const CFileDialog&, std::string&) { return false; });
    EXPECT_EQ(open.DoModal(), IDCANCEL);
    SetFileDialogAnswerer(nullptr);
}

TEST(SeamsTest, DefaultExtensionGoesOnlyOnNamesWithoutOneThatDoNotExistAsTheyAre) {
    char dirTemplate[] = "/tmp/re2_ext_XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    const std::string dir = dirTemplate;
    const std::string recording = dir + "/nagranie"; // saved without an extension
    std::fclose(std::fopen(recording.c_str(), "w"));
    struct Case {
        std::string chosen;
        std::string defExt;
        std::string path;
    };
    const Case cases[] = {
        {"/a/b", "qz", "/a/b.qz"},      {"/a.d/b", "qz", "/a.d/b.qz"},
        {"/a/b.txt", "qz", "/a/b.txt"}, {"/a/b", "", "/a/b"},
        {recording, "qz", recording},   {dir + "/nowy", "qz", dir + "/nowy.qz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        EXPECT_EQ(afx::AppendDefaultExtension(c.chosen, c.defExt), c.path);
        SetFileDialogAnswerer([&](const CFileDialog&, std::string& path) {
            path = c.chosen;
            return true;
        });
        CFileDialog open(TRUE, c.defExt, "", OFN_FILEMUSTEXIST, kFilter);
        ASSERT_EQ(open.DoModal(), IDOK);
        EXPECT_EQ(open.GetPathName(), c.path);
    }
    SetFileDialogAnswerer(nullptr);
    std::remove(recording.c_str());
    rmdir(dir.c_str());
}

TEST(SeamsTest, AllFilesFilterShowsNamesWithoutADotToo) {
    EXPECT_EQ(FileDialogNameFilters(kFilter),
              (std::vector<std::string>{"Lista plików pomiarów (*.qz)", "Wszystkie pliki (*)"}));
    EXPECT_EQ(FileDialogNameFilters("Obrazy|*.bmp;*.png||"),
              (std::vector<std::string>{"Obrazy (*.bmp *.png)"}));
}

TEST(SeamsTest, MessageBoxAnswererGetsTextAndTypeAndChoosesTheButton) {
    auto& records = RecordMessageBoxes(IDOK, IDNO);
    afx::SetAppName("Dovuzedu RE2");
    EXPECT_EQ(AfxMessageBox("Urządzenie nie odpowiada"), IDOK);
    EXPECT_EQ(AfxMessageBox("Na pewno?", MB_YESNO | MB_ICONQUESTION), IDNO);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].text, "Urządzenie nie odpowiada");
    EXPECT_EQ(records[0].type, MB_OK);
    EXPECT_EQ(records[1].type, MB_YESNO | MB_ICONQUESTION);
    SetMessageBoxAnswerer(nullptr);
}

TEST(SeamsTest, ProgramPathIsTheRealExecutableUnlessOverridden) {
    char buffer[4096];
    ASSERT_NE(realpath("/proc/self/exe", buffer), nullptr);
    EXPECT_EQ(afx::GetProgramPath(), buffer);
    SetProgramPathOverride("/opt/re2/re2-terminal");
    EXPECT_EQ(afx::GetProgramPath(), "/opt/re2/re2-terminal");
    SetProgramPathOverride("");
    EXPECT_EQ(afx::GetProgramPath(), buffer);
}

TEST(SeamsTest, IconsAreRegisteredAndLoadedById) {
    std::vector<std::uint32_t> pixels(32 * 32, 0xFFFF0000u);
    afx::RegisterIcon(128, 32, 32, pixels.data());
    CWinApp* app = AfxGetApp();
    CWinApp local;
    EXPECT_NE(local.LoadIcon(128), nullptr);
    EXPECT_EQ(local.LoadIcon(129), nullptr);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    (void)app;
}

} // namespace
