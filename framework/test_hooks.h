// Private to the framework: the points where a test stands in for the user. The program
// sets none of them; while one is null the real box, dialog or menu shows. The test
// library (framework/testing/) fills them in.
#pragma once

#include "framework/afx_types.h"

#include <functional>
#include <string>

class CDialog;
class CFileDialog;
class CMenu;
class CPrintDialog;

namespace afx::detail {

struct TestHooks {
    // Each answers in the user's place and returns true, or returns false to let the real
    // one show.
    bool (*messageBox)(const std::string& text, UINT type, int* answer) = nullptr;
    bool (*fileDialog)(const CFileDialog& dialog, std::string& path, DWORD& filterIndex,
                       bool* answered) = nullptr;
    bool (*printDialog)(const CPrintDialog& dialog, std::string& pdfPath, bool* answered) = nullptr;
    bool (*popupMenu)(const CMenu& menu, CPoint screenPoint, UINT_PTR* picked) = nullptr;
    // The steps to run once in the modal loop of the dialog of `templateId` just shown;
    // an empty function for none.
    std::function<void(CDialog&)> (*modalSteps)(int templateId) = nullptr;
    // The program file's path in place of the real one, when it gives a non-empty one.
    std::string (*programPath)() = nullptr;
};
TestHooks& Hooks();

// The hooks as the framework consults them: false (or an empty function, or an empty
// path) where no test stands in.
bool AnswerMessageBox(const std::string& text, UINT type, int* answer);
bool AnswerFileDialog(const CFileDialog& dialog, std::string& path, DWORD& filterIndex,
                      bool* answered);
bool AnswerPrintDialog(const CPrintDialog& dialog, std::string& pdfPath, bool* answered);
bool AnswerPopupMenu(const CMenu& menu, CPoint screenPoint, UINT_PTR* picked);
std::function<void(CDialog&)> TakeModalHook(int templateId);
std::string ProgramPathOverride();

} // namespace afx::detail
