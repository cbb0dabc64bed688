// Test seams and user-action helpers, in a library only the tests link: the seams fill in
// the framework's hook points (framework/test_hooks.h), which the program leaves empty.
#pragma once

#include "framework/afx_types.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CDialog;
class CFileDialog;
class CMenu;
class CPrintDialog;
class CWnd;

namespace afx::testing {

// ---- Seams ----------------------------------------------------------------------------

// Replaces every message box: called with the text and type, returns the answer (IDOK,
// IDYES, IDNO...). nullptr restores real boxes.
void SetMessageBoxAnswerer(std::function<int(const std::string& text, UINT type)> answerer);

// Replaces every file dialog: sees the dialog (title, filter, flags, default extension,
// initial directory) and returns false for "cancelled" or true with `path` chosen. The
// framework still appends the default extension to a path without one, and a save dialog
// with OFN_OVERWRITEPROMPT still asks before replacing the file that names, through the
// message box seam (MB_YESNO): any answer but IDYES calls the answerer again, as the
// dialog would come back. nullptr restores real dialogs.
void SetFileDialogAnswerer(
    std::function<bool(const CFileDialog& dialog, std::string& path)> answerer);

// As SetFileDialogAnswerer, and the answerer also sees the 1-based index of the filter the
// dialog starts with (m_ofn.nFilterIndex) in `filterIndex` and may change it, as the user
// choosing another filter would.
void SetFileDialogFilterAnswerer(
    std::function<bool(const CFileDialog& dialog, std::string& path, DWORD& filterIndex)> answerer);

// Replaces every print dialog: returns false for "cancelled", or true with `pdfPath` set
// to the PDF file the job is printed to (the dialog's own "print to file"). nullptr
// restores real dialogs.
void SetPrintDialogAnswerer(
    std::function<bool(const CPrintDialog& dialog, std::string& pdfPath)> answerer);

// Replaces every pop-up menu: sees the menu and the screen point it was asked at, and
// returns the id of the item picked, 0 for dismissing it. nullptr restores real menus.
void SetPopupMenuAnswerer(std::function<UINT_PTR(const CMenu& menu, CPoint screenPoint)> answerer);

// The name filters a real file dialog would offer for `filter`, as "text (patterns)".
std::vector<std::string> FileDialogNameFilters(const std::string& filter);

// Runs `hook` once, inside the modal loop of the next dialog of `templateId` shown
// modally, right after it is shown (after OnInitDialog). Hooks for the same template run
// in the order added, one per DoModal.
void AddModalHook(int templateId, std::function<void(CDialog& dialog)> hook);
// Drops every pending modal hook.
void ClearModalHooks();
int PendingModalHooks(int templateId);

// Overrides afx::GetProgramPath; an empty string removes the override.
void SetProgramPathOverride(const std::string& path);

// ---- Acting as the user ----------------------------------------------------------------

// Click on a button of `dialog` (push, check or radio): nothing when it is disabled.
void ClickButton(CWnd& dialog, int id);
// Enter / Escape to the dialog's focused control, following the dialog's key rules.
void PressEnter(CWnd& dialog);
void PressEscape(CWnd& dialog);
// Presses a key (Qt key code, e.g. 0x01000014 for Right; for letters their upper-case
// ASCII code) on the focused control, with the modifiers FCONTROL, FSHIFT and FALT held.
void PressKey(CWnd& dialog, int qtKey, BYTE modifiers = 0);
// A click of the right mouse button at `point` (the dialog's client coordinates) on
// whatever is there: the control's own menu, or the dialog's WM_CONTEXTMENU.
void RightClick(CWnd& dialog, CPoint point);
// The close box of the dialog's window.
void ClickCloseBox(CWnd& dialog);
void SetFocusTo(CWnd& dialog, int id);
int FocusedControlId(CWnd& dialog); // 0 when no control of the dialog has the focus
// Replaces the text of an edit as the user would by typing (length limit applies).
void TypeText(CWnd& dialog, int id, const std::string& text);
// Inserts `text` at the cursor of an edit, as a paste from the clipboard would.
void PasteText(CWnd& dialog, int id, const std::string& text);
// Sets the text of a control directly, like the program would.
void SetControlText(CWnd& dialog, int id, const std::string& text);
std::string GetControlText(CWnd& dialog, int id);
void SetCheck(CWnd& dialog, int id, bool checked);
bool IsChecked(CWnd& dialog, int id);
bool IsEnabled(CWnd& dialog, int id);
bool IsVisible(CWnd& dialog, int id);
bool HasControl(CWnd& dialog, int id);

void DoubleClickListRow(CWnd& dialog, int listId, int row);
// A click of the left mouse button on a row of a list: the row is selected.
void ClickListRow(CWnd& dialog, int listId, int row);
// point in the list's client coordinates (the header included).
void DoubleClickListAt(CWnd& dialog, int listId, CPoint point);
std::string ListRowText(CWnd& dialog, int listId, int row, int column = 0);
int ListRowCount(CWnd& dialog, int listId);
// Moves the mouse over a control without pressing a button.
void HoverOver(CWnd& dialog, int id, CPoint point);

// As a drag by the user: the position changes and the slider repaints.
void SetSliderPos(CWnd& dialog, int id, int pos);
int GetSliderPos(CWnd& dialog, int id);
void GetSliderRange(CWnd& dialog, int id, int& minPos, int& maxPos);
int ProgressPos(CWnd& dialog, int id);
void ProgressRange(CWnd& dialog, int id, int& lower, int& upper);

// The room control number `index` (in template order) of a shown dialog has for one text,
// and what `text` needs there, in pixels, as the control lays it out in its own font:
// check-box and radio indicators, button bevels, edit frames and margins taken off. A
// static text wraps at its width, so for it the heights count its lines.
struct TextFit {
    int neededWidth = 0;
    int roomWidth = 0;
    int neededHeight = 0;
    int roomHeight = 0;
};
TextFit MeasureControlText(CWnd& dialog, std::size_t index, const std::string& text);

// Control rectangle in the dialog's client pixels; empty when there is no such control.
CRect ControlRect(CWnd& dialog, int id);
CSize ClientSize(CWnd& dialog);
std::string WindowCaption(CWnd& dialog);
// How a shown window presents itself to the window manager.
struct WindowRole {
    bool dialog = false;      // a dialog window; false: an ordinary top-level window
    bool modal = false;       // blocks the other windows of the program
    bool closeButton = false; // the frame's close, minimise and maximise buttons
    bool minimizeButton = false;
    bool maximizeButton = false;
    CWnd* transientFor = nullptr; // the window it is kept above; nullptr: none
};
WindowRole WindowRoleOf(CWnd& window);
// Where the window's client area lies on the screen, and the screen's usable area.
CRect ScreenRectOf(CWnd& window);
CRect ScreenArea();
// How many lines a multi-line edit shows its text in, wrapped lines counted.
int DisplayedLineCount(CWnd& dialog, int id);

struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels; // row by row
    COLORREF Pixel(int x, int y) const;
    bool SavePng(const std::string& path) const;
};
// Renders the window (client area with its controls) offscreen, as it shows now.
Image GrabWindow(CWnd& window);
// The picture in a PNG file's bytes; an empty image when they are no PNG.
Image DecodePng(const std::vector<std::uint8_t>& bytes);
// The picture on the clipboard; an empty image when it holds none.
Image ClipboardImage();
// The text on the clipboard; empty when it holds none.
std::string ClipboardText();
// Empties the clipboard.
void ClearClipboard();

// Runs the event loop for `ms` milliseconds.
void ProcessEvents(int ms = 0);
// Runs the event loop until `predicate` holds or `timeoutMs` passed; returns the last
// value of the predicate.
bool WaitUntil(const std::function<bool()>& predicate, int timeoutMs = 5000);
// The top-most dialog in a modal loop, nullptr when none.
CDialog* CurrentModalDialog();

// Records of message boxes answered by a simple answerer (see RecordMessageBoxes).
struct MessageBoxRecord {
    std::string text;
    UINT type = 0;
};
// Installs an answerer that records every box and answers with `answer` (or, for boxes
// with Yes/No buttons, `yesNoAnswer`); returns the record list it fills, which stays
// valid until the next call.
std::vector<MessageBoxRecord>& RecordMessageBoxes(int answer = IDOK, int yesNoAnswer = IDYES);

} // namespace afx::testing
