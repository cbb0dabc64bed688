// Dialog templates: the layout of a dialog in dialog units, registered by id.
//
// Dialog units convert to pixels with fixed base units 6 x 13:
// x px = MulDiv(x, 6, 4), y px = MulDiv(y, 13, 8), rounded half away from zero. Controls
// stand at exactly those pixel rectangles in the client area, and the client area is
// exactly cx x cy converted. Every dialog uses Liberation Sans 8 pt (system sans
// as fallback) whatever fontName says.
#pragma once

#include "framework/afx_types.h"

#include <string>
#include <vector>

enum class ControlKind {
    PushButton,
    DefPushButton, // the default button: Enter sends its command
    CheckBox,      // automatic check box
    RadioButton,   // automatic radio button; a group runs from a WS_GROUP control to the next
    GroupBox,
    Static, // alignment from SS_LEFT / SS_CENTER / SS_RIGHT
    Edit,
    ListView,
    Trackbar,
    Progress,
};

struct ControlTemplate {
    ControlKind kind = ControlKind::Static;
    int id = -1;
    std::string text;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    DWORD style = 0; // WS_ and class styles (ES_, SS_, LVS_, TBS_, PBS_)
    DWORD exStyle = 0;
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    DWORD style = WS_POPUP | WS_CAPTION | DS_MODALFRAME; // WS_SYSMENU gives a close box
    DWORD exStyle = 0;                                   // WS_EX_APPWINDOW
    std::string fontName;
    int fontPoints = 8;
    std::vector<ControlTemplate> controls;
};

// Registers (or replaces) the template with templ.id. UI thread only.
void RegisterDialogTemplate(DialogTemplate templ);
// nullptr when no template has that id.
const DialogTemplate* FindDialogTemplate(int id);

namespace afx {
// Dialog units to pixels, as MulDiv rounds: half away from zero.
int DialogUnitsToPixelsX(int x);
int DialogUnitsToPixelsY(int y);
// Pixel rectangle of a control in the client area.
CRect ControlRectPixels(const ControlTemplate& control);
// Client size in pixels of a dialog.
CSize DialogClientSizePixels(const DialogTemplate& templ);
} // namespace afx
