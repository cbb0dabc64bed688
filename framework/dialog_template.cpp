#include "framework/dialog_template.h"

#include <map>

namespace {
std::map<int, DialogTemplate>& Templates() {
    static std::map<int, DialogTemplate> templates;
    return templates;
}

// MulDiv: a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
    long long n = static_cast<long long>(a) * b;
    long long q = (n >= 0 ? n + c / 2 : n - c / 2) / c;
    return static_cast<int>(q);
}
} // namespace

void RegisterDialogTemplate(DialogTemplate templ) {
    const int id = templ.id;
    Templates()[id] = std::move(templ);
}

const DialogTemplate* FindDialogTemplate(int id) {
    auto it = Templates().find(id);
    return it == Templates().end() ? nullptr : &it->second;
}

namespace afx {
int DialogUnitsToPixelsX(int x) {
    return MulDiv(x, 6, 4);
}
int DialogUnitsToPixelsY(int y) {
    return MulDiv(y, 13, 8);
}

CRect ControlRectPixels(const ControlTemplate& c) {
    const int left = DialogUnitsToPixelsX(c.x);
    const int top = DialogUnitsToPixelsY(c.y);
    return CRect(left, top, left + DialogUnitsToPixelsX(c.cx), top + DialogUnitsToPixelsY(c.cy));
}

CSize DialogClientSizePixels(const DialogTemplate& t) {
    return CSize(DialogUnitsToPixelsX(t.cx), DialogUnitsToPixelsY(t.cy));
}
} // namespace afx
