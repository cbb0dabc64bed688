// CFileDialog: the open and save file dialogs.
#pragma once

#include "framework/afx_types.h"

#include <string>

class CWnd;

// The part of the platform's dialog description the program uses.
struct OPENFILENAME {
    // 1-based index of the filter shown: set before DoModal to choose the one the dialog
    // starts with (an index beyond the filters counts as 1), read after it to learn the
    // one the user left chosen.
    DWORD nFilterIndex = 1;
};

// The filter is in "text|pattern|text|pattern||" form; patterns may hold several
// wildcards separated by ';', and "*.*" means every file, also one without a dot. A name
// chosen without an extension gets "." + defExt appended unless a file of that very name
// exists. A save dialog asks before overwriting only with OFN_OVERWRITEPROMPT: Qt's own
// question, in its translation, about the name with the default extension settled, and
// "Nie" (the default) leaves the dialog open for another name. OFN_FILEMUSTEXIST and
// OFN_PATHMUSTEXIST make the dialog refuse names that do not exist.
class CFileDialog {
public:
    CFileDialog(BOOL openFileDialog, const std::string& defExt = std::string(),
                const std::string& fileName = std::string(), DWORD flags = 0,
                const std::string& filter = std::string(), CWnd* parent = nullptr);

    // IDOK when a file was chosen, IDCANCEL otherwise.
    INT_PTR DoModal();
    // Full path of the chosen file.
    std::string GetPathName() const { return path_; }
    std::string GetFileName() const;
    std::string GetFileExt() const;

    BOOL IsOpenDialog() const { return open_; }
    const std::string& GetDefExt() const { return defExt_; }
    const std::string& GetInitialFileName() const { return fileName_; }
    DWORD GetFlags() const { return m_flags; }
    const std::string& GetFilter() const { return filter_; }

    // Set before DoModal: the window title (empty: the standard one) and the starting
    // folder (empty: the current directory).
    std::string m_title;
    std::string m_initialDir;
    DWORD m_flags;
    OPENFILENAME m_ofn;

private:
    BOOL open_;
    std::string defExt_;
    std::string fileName_;
    std::string filter_;
    CWnd* parent_;
    std::string path_;
};

namespace afx {
// "name" + "." + defExt when the file name part of `path` has no extension, defExt is
// not empty and no file `path` exists; `path` unchanged otherwise.
std::string AppendDefaultExtension(const std::string& path, const std::string& defExt);
} // namespace afx
