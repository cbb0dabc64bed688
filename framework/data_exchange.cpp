#include "framework/control_widgets.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <type_traits>

using namespace afx::detail;

namespace {

constexpr const char* kIntPrompt = "Enter an integer.";
constexpr const char* kUIntPrompt = "Enter a positive integer.";
constexpr const char* kBytePrompt = "Enter an integer between 0 and 255.";
constexpr const char* kDoublePrompt = "Enter a number.";

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    std::size_t a = s.find_first_not_of(blanks);
    if (a == std::string::npos)
        return {};
    std::size_t b = s.find_last_not_of(blanks);
    return s.substr(a, b - a + 1);
}

// The whole text (after trimming, at most one sign) as a number of type T; false for
// anything else, a '-' where T takes none, or a value T cannot hold.
template <class T> bool ParseWhole(const std::string& text, T& out) {
    std::string t = Trim(text);
    if (t.empty())
        return false;
    const char* first = t.data();
    const char* last = t.data() + t.size();
    const bool plus = *first == '+';
    if (plus)
        ++first;
    // from_chars takes a '-' of its own, which would make "+-5" a second sign.
    if (first == last || *first == '+' || (*first == '-' && (plus || std::is_unsigned_v<T>)))
        return false;
    auto [ptr, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && ptr == last;
}

bool ParseSigned(const std::string& text, long long& out) {
    return ParseWhole(text, out);
}

bool ParseUnsigned(const std::string& text, unsigned long long& out) {
    return ParseWhole(text, out);
}

bool ParseDouble(const std::string& text, double& out) {
    return ParseWhole(text, out) && std::isfinite(out);
}

std::string Shortest(double v) {
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, ptr) : std::string();
}

std::string ReplaceArgs(std::string text, const std::string& a1, const std::string& a2 = {}) {
    auto put = [&text](const std::string& key, const std::string& value) {
        std::size_t p = text.find(key);
        if (p != std::string::npos)
            text.replace(p, key.size(), value);
    };
    put("%1", a1);
    put("%2", a2);
    return text;
}

void Prompt(CDataExchange* pDX, const std::string& text) {
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail();
}

std::string FieldText(CDataExchange* pDX, int id) {
    return pDX->m_pDlgWnd->GetDlgItemText(id);
}

void SetFieldText(CDataExchange* pDX, int id, const std::string& text) {
    pDX->m_pDlgWnd->SetDlgItemText(id, text);
}

template <class T> void ExchangeSigned(CDataExchange* pDX, int id, T& value, const char* prompt) {
    if (pDX->Failed())
        return;
    pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        SetFieldText(pDX, id, std::to_string(static_cast<long long>(value)));
        return;
    }
    long long v = 0;
    if (!ParseSigned(FieldText(pDX, id), v) || v < std::numeric_limits<T>::min() ||
        v > std::numeric_limits<T>::max()) {
        Prompt(pDX, prompt);
        return;
    }
    value = static_cast<T>(v);
}

template <class T> void ExchangeUnsigned(CDataExchange* pDX, int id, T& value, const char* prompt) {
    if (pDX->Failed())
        return;
    pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        SetFieldText(pDX, id, std::to_string(static_cast<unsigned long long>(value)));
        return;
    }
    unsigned long long v = 0;
    if (!ParseUnsigned(FieldText(pDX, id), v) || v > std::numeric_limits<T>::max()) {
        Prompt(pDX, prompt);
        return;
    }
    value = static_cast<T>(v);
}

template <class T> void CheckRange(CDataExchange* pDX, T value, T minVal, T maxVal) {
    if (pDX->Failed() || !pDX->m_bSaveAndValidate)
        return;
    if (value < minVal || value > maxVal)
        Prompt(pDX, ReplaceArgs("Enter an integer between %1 and %2.", std::to_string(minVal),
                                std::to_string(maxVal)));
}

} // namespace

CDataExchange::CDataExchange(CWnd* dialog, BOOL saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

HWND CDataExchange::PrepareCtrl(int id) {
    lastId_ = id;
    lastWasEdit_ = FALSE;
    ControlEntry* c = FindControl(*m_pDlgWnd, id);
    return c != nullptr ? c->widget : nullptr;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    HWND h = PrepareCtrl(id);
    lastWasEdit_ = TRUE;
    return h;
}

void CDataExchange::Fail() {
    failed_ = TRUE;
    ControlEntry* c = FindControl(*m_pDlgWnd, lastId_);
    if (c == nullptr)
        return;
    c->widget->setFocus(Qt::OtherFocusReason);
    if (lastWasEdit_)
        ControlMessage(c->widget, EM_SETSEL, 0, -1);
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
    ExchangeSigned(pDX, id, value, kIntPrompt);
}
void DDX_Text(CDataExchange* pDX, int id, short& value) {
    ExchangeSigned(pDX, id, value, kIntPrompt);
}
void DDX_Text(CDataExchange* pDX, int id, long& value) {
    // A long field holds 32 bits, as on the platform the dialogs were made for.
    std::int32_t v = static_cast<std::int32_t>(value);
    ExchangeSigned(pDX, id, v, kIntPrompt);
    if (!pDX->Failed())
        value = v;
}
void DDX_Text(CDataExchange* pDX, int id, UINT& value) {
    ExchangeUnsigned(pDX, id, value, kUIntPrompt);
}
void DDX_Text(CDataExchange* pDX, int id, unsigned short& value) {
    ExchangeUnsigned(pDX, id, value, kUIntPrompt);
}
void DDX_Text(CDataExchange* pDX, int id, unsigned long& value) {
    std::uint32_t v = static_cast<std::uint32_t>(value);
    ExchangeUnsigned(pDX, id, v, kUIntPrompt);
    if (!pDX->Failed())
        value = v;
}

void DDX_Text(CDataExchange* pDX, int id, BYTE& value) {
    if (pDX->Failed())
        return;
    pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        SetFieldText(pDX, id, std::to_string(static_cast<int>(value)));
        return;
    }
    long long v = 0;
    if (!ParseSigned(FieldText(pDX, id), v) || v < 0 || v > 255) {
        Prompt(pDX, kBytePrompt);
        return;
    }
    value = static_cast<BYTE>(v);
}

void DDX_Text(CDataExchange* pDX, int id, double& value) {
    if (pDX->Failed())
        return;
    pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        SetFieldText(pDX, id, afx::FormatDoubleForField(value));
        return;
    }
    double v = 0;
    if (!ParseDouble(FieldText(pDX, id), v)) {
        Prompt(pDX, kDoublePrompt);
        return;
    }
    value = v;
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
    if (pDX->Failed())
        return;
    pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate)
        SetFieldText(pDX, id, value);
    else
        value = FieldText(pDX, id);
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
    if (pDX->Failed())
        return;
    pDX->PrepareCtrl(id);
    if (!pDX->m_bSaveAndValidate)
        pDX->m_pDlgWnd->CheckDlgButton(id, value != 0 ? BST_CHECKED : BST_UNCHECKED);
    else
        value = pDX->m_pDlgWnd->IsDlgButtonChecked(id) == BST_CHECKED ? 1 : 0;
}

void DDX_Radio(CDataExchange* pDX, int firstId, int& value) {
    if (pDX->Failed())
        return;
    pDX->PrepareCtrl(firstId);
    DialogState* s = pDX->m_pDlgWnd->Data().dialog.get();
    if (s == nullptr)
        return;
    std::vector<int> group;
    bool inGroup = false;
    for (const ControlEntry& c : s->controls) {
        if (!inGroup) {
            inGroup = c.templ.id == firstId;
            if (!inGroup)
                continue;
        } else if ((c.templ.style & WS_GROUP) != 0 || c.templ.kind != ControlKind::RadioButton) {
            break;
        }
        if (c.templ.kind == ControlKind::RadioButton)
            group.push_back(c.templ.id);
    }
    if (pDX->m_bSaveAndValidate) {
        value = -1;
        for (std::size_t i = 0; i < group.size(); ++i)
            if (pDX->m_pDlgWnd->IsDlgButtonChecked(group[i]) == BST_CHECKED) {
                value = static_cast<int>(i);
                break;
            }
        return;
    }
    for (std::size_t i = 0; i < group.size(); ++i)
        if (static_cast<int>(i) != value)
            pDX->m_pDlgWnd->CheckDlgButton(group[i], BST_UNCHECKED);
    if (value >= 0 && value < static_cast<int>(group.size()))
        pDX->m_pDlgWnd->CheckDlgButton(group[static_cast<std::size_t>(value)], BST_CHECKED);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (pDX->Failed() || control.m_hWnd != nullptr)
        return;
    pDX->PrepareCtrl(id);
    ControlEntry* c = FindControl(*pDX->m_pDlgWnd, id);
    DialogState* s = pDX->m_pDlgWnd->Data().dialog.get();
    if (c == nullptr || s == nullptr)
        return;
    if (c->wrapper) {
        Detach(*c->wrapper);
        c->wrapper.reset();
    }
    Attach(control, c->widget, dynamic_cast<CDialog*>(pDX->m_pDlgWnd));
    s->bound.push_back(&control);
    if (CFont* f = control.GetFont())
        control.SetFont(f, FALSE);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
    CheckRange(pDX, value, minVal, maxVal);
}
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
    CheckRange(pDX, value, minVal, maxVal);
}
void DDV_MinMaxByte(CDataExchange* pDX, BYTE value, BYTE minVal, BYTE maxVal) {
    CheckRange<int>(pDX, value, minVal, maxVal);
}
void DDV_MinMaxShort(CDataExchange* pDX, short value, short minVal, short maxVal) {
    CheckRange<int>(pDX, value, minVal, maxVal);
}
void DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal) {
    CheckRange(pDX, value, minVal, maxVal);
}
void DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal) {
    CheckRange(pDX, value, minVal, maxVal);
}

void DDV_MinMaxDouble(CDataExchange* pDX, double value, double minVal, double maxVal) {
    if (pDX->Failed() || !pDX->m_bSaveAndValidate)
        return;
    if (value < minVal || value > maxVal)
        Prompt(pDX, ReplaceArgs("Enter a number between %1 and %2.", Shortest(minVal),
                                Shortest(maxVal)));
}

void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int maxChars) {
    if (pDX->Failed())
        return;
    if (!pDX->m_bSaveAndValidate) {
        if (ControlEntry* c = FindControl(*pDX->m_pDlgWnd, pDX->LastControlId()))
            ControlMessage(c->widget, EM_LIMITTEXT, static_cast<WPARAM>(maxChars));
        return;
    }
    if (CodePoints(ToQ(value)) > maxChars)
        Prompt(pDX, ReplaceArgs("Enter no more than %1 characters.", std::to_string(maxChars)));
}

namespace afx {
std::string FormatDoubleForField(double value) {
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    return ec == std::errc() ? std::string(buf, ptr) : std::string();
}
} // namespace afx
