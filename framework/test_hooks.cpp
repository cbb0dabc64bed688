#include "framework/test_hooks.h"

namespace afx::detail {

TestHooks& Hooks() {
    static TestHooks hooks;
    return hooks;
}

bool AnswerMessageBox(const std::string& text, UINT type, int* answer) {
    return Hooks().messageBox != nullptr && Hooks().messageBox(text, type, answer);
}

bool AnswerFileDialog(const CFileDialog& dialog, std::string& path, DWORD& filterIndex,
                      bool* answered) {
    return Hooks().fileDialog != nullptr && Hooks().fileDialog(dialog, path, filterIndex, answered);
}

bool AnswerPrintDialog(const CPrintDialog& dialog, std::string& pdfPath, bool* answered) {
    return Hooks().printDialog != nullptr && Hooks().printDialog(dialog, pdfPath, answered);
}

bool AnswerPopupMenu(const CMenu& menu, CPoint screenPoint, UINT_PTR* picked) {
    return Hooks().popupMenu != nullptr && Hooks().popupMenu(menu, screenPoint, picked);
}

std::function<void(CDialog&)> TakeModalHook(int templateId) {
    if (Hooks().modalSteps == nullptr)
        return {};
    return Hooks().modalSteps(templateId);
}

std::string ProgramPathOverride() {
    return Hooks().programPath != nullptr ? Hooks().programPath() : std::string();
}

} // namespace afx::detail
