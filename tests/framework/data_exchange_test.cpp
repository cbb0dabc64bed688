#include "test_dialogs.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <string>

using namespace afx::testing;
using namespace fwtest;

namespace {

constexpr int kFields = 9101;
constexpr int IDC_UINT = 1205;
constexpr int IDC_BYTE = 1034;
constexpr int IDC_DOUBLE = 1035;
constexpr int IDC_TEXT = 1210;
constexpr int IDC_INT = 1003;
constexpr int IDC_SHORT = 1004;
constexpr int IDC_LONG = 1005;
constexpr int IDC_CHECK = 1045;
constexpr int IDC_RADIO1 = 1100;
constexpr int IDC_RADIO2 = 1101;
constexpr int IDC_RADIO3 = 1102;
constexpr int IDC_AFTER = 1110;

void RegisterFields() {
    using K = ControlKind;
    const DWORD child = WS_VISIBLE | WS_TABSTOP;
    DialogTemplate t{kFields, "Fields", 0, 0, 200, 200, WS_POPUP | WS_CAPTION, 0, "", 8, {}};
    int y = 2;
    for (int id : {IDC_UINT, IDC_BYTE, IDC_DOUBLE, IDC_TEXT, IDC_INT, IDC_SHORT, IDC_LONG}) {
        t.controls.push_back({K::Edit, id, "", 5, y, 80, 12, child | WS_BORDER | ES_AUTOHSCROLL});
        y += 14;
    }
    t.controls.push_back({K::CheckBox, IDC_CHECK, "check", 5, y, 80, 10, child});
    t.controls.push_back({K::RadioButton, IDC_RADIO1, "a", 5, y + 12, 30, 10, child | WS_GROUP});
    t.controls.push_back({K::RadioButton, IDC_RADIO2, "b", 40, y + 12, 30, 10, 0});
    t.controls.push_back({K::RadioButton, IDC_RADIO3, "c", 75, y + 12, 30, 10, 0});
    t.controls.push_back({K::RadioButton, IDC_AFTER, "other group", 110, y + 12, 60, 10, WS_GROUP});
    t.controls.push_back({K::DefPushButton, IDOK, "Zapisz", 5, 180, 40, 14, child});
    t.controls.push_back({K::PushButton, IDCANCEL, "Nie zapisuj", 60, 180, 40, 14, child});
    RegisterDialogTemplate(t);
}

class FieldsDialog : public CDialog {
public:
    FieldsDialog() : CDialog(kFields) {}
    UINT number = 1;
    BYTE zone = 1;
    double level = 12.3;
    std::string text = "abc";
    int whole = 0;
    short small = 0;
    long wide = 0;
    int check = 0;
    int radio = 0;

    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, IDC_UINT, number);
        DDV_MinMaxUInt(pDX, number, 1, 65000);
        DDX_Text(pDX, IDC_BYTE, zone);
        DDV_MinMaxByte(pDX, zone, 1, 250);
        DDX_Text(pDX, IDC_DOUBLE, level);
        DDV_MinMaxDouble(pDX, level, 5.0, 20.0);
        DDX_Text(pDX, IDC_TEXT, text);
        DDV_MaxChars(pDX, text, 15);
        DDX_Text(pDX, IDC_INT, whole);
        DDX_Text(pDX, IDC_SHORT, small);
        DDX_Text(pDX, IDC_LONG, wide);
        DDX_Check(pDX, IDC_CHECK, check);
        DDX_Radio(pDX, IDC_RADIO1, radio);
    }
};

class DataExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterFields();
        ClearModalHooks();
        boxes = &RecordMessageBoxes();
    }
    void TearDown() override { SetMessageBoxAnswerer(nullptr); }

    // Shows the dialog, runs `steps` and ends with Cancel; returns the prompts shown.
    void Run(FieldsDialog& dlg, const std::function<void(CDialog&)>& steps) {
        AddModalHook(kFields, [steps](CDialog& d) {
            steps(d);
            d.EndDialog(IDCANCEL);
        });
        dlg.DoModal();
    }

    // Types `text` into field `id`, saves, and returns the prompt (empty when accepted).
    std::string SaveWith(int id, const std::string& text, FieldsDialog* out = nullptr) {
        FieldsDialog dlg;
        std::string prompt;
        int focused = 0;
        Run(dlg, [&](CDialog& d) {
            TypeText(d, id, text);
            boxes->clear();
            BOOL ok = d.UpdateData(TRUE);
            prompt = boxes->empty() ? std::string() : boxes->front().text;
            EXPECT_EQ(ok == FALSE, !prompt.empty());
            EXPECT_LE(boxes->size(), 1u);
            focused = FocusedControlId(d);
        });
        if (!prompt.empty()) {
            EXPECT_EQ(focused, id) << "the failing field gets the focus";
            EXPECT_EQ(boxes->front().type, MB_OK | MB_ICONEXCLAMATION);
        }
        if (out != nullptr) {
            out->number = dlg.number;
            out->zone = dlg.zone;
            out->level = dlg.level;
            out->text = dlg.text;
            out->whole = dlg.whole;
            out->small = dlg.small;
            out->wide = dlg.wide;
        }
        return prompt;
    }

    std::vector<MessageBoxRecord>* boxes = nullptr;
};

TEST_F(DataExchangeTest, UnsignedFieldRefusesSignsLettersOverflowAndEmptyText) {
    for (const char* bad : {"-1", "abc", "4294967296", "", "   ", "12abc", "1 2", "0x10"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(SaveWith(IDC_UINT, bad), "Enter a positive integer.");
    }
    FieldsDialog out;
    EXPECT_EQ(SaveWith(IDC_UINT, "  42 ", &out), "");
    EXPECT_EQ(out.number, 42u);
    EXPECT_EQ(SaveWith(IDC_UINT, "0"), "Enter an integer between 1 and 65000.");
    EXPECT_EQ(SaveWith(IDC_UINT, "65001"), "Enter an integer between 1 and 65000.");
}

TEST_F(DataExchangeTest, ByteFieldRefusesValuesOutsideTheByteBeforeItsRangeCheck) {
    EXPECT_EQ(SaveWith(IDC_BYTE, "256"), "Enter an integer between 0 and 255.");
    EXPECT_EQ(SaveWith(IDC_BYTE, "-1"), "Enter an integer between 0 and 255.");
    EXPECT_EQ(SaveWith(IDC_BYTE, "x"), "Enter an integer between 0 and 255.");
    EXPECT_EQ(SaveWith(IDC_BYTE, "251"), "Enter an integer between 1 and 250.");
    FieldsDialog out;
    EXPECT_EQ(SaveWith(IDC_BYTE, "250", &out), "");
    EXPECT_EQ(out.zone, 250);
}

TEST_F(DataExchangeTest, SignedFieldsRefuseWhatTheirTypeCannotHold) {
    EXPECT_EQ(SaveWith(IDC_INT, "2147483648"), "Enter an integer.");
    EXPECT_EQ(SaveWith(IDC_INT, "1.5"), "Enter an integer.");
    EXPECT_EQ(SaveWith(IDC_SHORT, "32768"), "Enter an integer.");
    FieldsDialog out;
    EXPECT_EQ(SaveWith(IDC_INT, "-2147483648", &out), "");
    EXPECT_EQ(out.whole, -2147483647 - 1);
    EXPECT_EQ(SaveWith(IDC_SHORT, "+17", &out), "");
    EXPECT_EQ(out.small, 17);
}

TEST_F(DataExchangeTest, SignedAndDoubleFieldsTakeAtMostOneSign) {
    struct Field {
        const char* name;
        int id;
        const char* prompt;
        std::function<double(const FieldsDialog&)> value;
    };
    const Field fields[] = {
        {"int", IDC_INT, "Enter an integer.", [](const FieldsDialog& d) { return d.whole; }},
        {"short", IDC_SHORT, "Enter an integer.", [](const FieldsDialog& d) { return d.small; }},
        {"long", IDC_LONG, "Enter an integer.",
         [](const FieldsDialog& d) { return static_cast<double>(d.wide); }},
        {"double", IDC_DOUBLE, "Enter a number.", [](const FieldsDialog& d) { return d.level; }},
    };
    struct Case {
        const char* text;
        bool accepted;
        double value;
    };
    const Case cases[] = {
        {"+-5", false, 0}, {"-+5", false, 0}, {"--5", false, 0},
        {"++5", false, 0}, {"+ 5", false, 0}, {"+", false, 0},
        {"-", false, 0},   {"+7", true, 7},   {"-7", true, -7},
    };
    for (const Field& f : fields) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(f.name) + " \"" + c.text + "\"");
            FieldsDialog out;
            const std::string prompt = SaveWith(f.id, c.text, &out);
            if (!c.accepted) {
                EXPECT_EQ(prompt, f.prompt);
            } else if (f.id != IDC_DOUBLE || c.value >= 5) {
                EXPECT_EQ(prompt, "");
                EXPECT_EQ(f.value(out), c.value);
            } else {
                EXPECT_EQ(prompt, "Enter a number between 5 and 20.") << "read, then range-checked";
            }
        }
    }
}

TEST_F(DataExchangeTest, DoubleFieldTakesADecimalPointOnlyWhateverTheLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const bool polish = std::setlocale(LC_ALL, "pl_PL.UTF-8") != nullptr;
    if (!polish)
        std::setlocale(LC_ALL, "C");
    EXPECT_EQ(SaveWith(IDC_DOUBLE, "12,3"), "Enter a number.");
    EXPECT_EQ(SaveWith(IDC_DOUBLE, ""), "Enter a number.");
    EXPECT_EQ(SaveWith(IDC_DOUBLE, "4.9"), "Enter a number between 5 and 20.");
    FieldsDialog out;
    EXPECT_EQ(SaveWith(IDC_DOUBLE, " 12.39 ", &out), "");
    EXPECT_DOUBLE_EQ(out.level, 12.39);
    // Shown with a point too.
    FieldsDialog shown;
    shown.level = 12.3;
    Run(shown, [](CDialog& d) { EXPECT_EQ(GetControlText(d, IDC_DOUBLE), "12.3"); });
    std::setlocale(LC_ALL, saved.c_str());
}

TEST_F(DataExchangeTest, DoublesShowWithoutTrailingZeros) {
    for (auto [value, text] : std::vector<std::pair<double, std::string>>{
             {12.3, "12.3"}, {12.0, "12"}, {0.1 + 0.2, "0.3"}, {-5.5, "-5.5"}}) {
        FieldsDialog dlg;
        dlg.level = value;
        Run(dlg, [text = text](CDialog& d) { EXPECT_EQ(GetControlText(d, IDC_DOUBLE), text); });
    }
}

TEST_F(DataExchangeTest, TooLongLoadedTextIsShownWholeAndRefusedOnSaving) {
    FieldsDialog dlg;
    dlg.text = "ABCDEFGHIJKLMNOP"; // 16 characters into a 15-character field
    Run(dlg, [&](CDialog& d) {
        EXPECT_EQ(GetControlText(d, IDC_TEXT), "ABCDEFGHIJKLMNOP");
        EXPECT_FALSE(d.UpdateData(TRUE));
        ASSERT_EQ(boxes->size(), 1u);
        EXPECT_EQ(boxes->front().text, "Enter no more than 15 characters.");
        EXPECT_EQ(FocusedControlId(d), IDC_TEXT);
        // Typing is limited to 15 characters.
        TypeText(d, IDC_TEXT, "0123456789abcdefgh");
        EXPECT_EQ(GetControlText(d, IDC_TEXT), "0123456789abcde");
    });
    // Counted in characters, not bytes.
    FieldsDialog polish;
    EXPECT_EQ(SaveWith(IDC_TEXT, "ąęśćżźółńĄĘŚĆŻŹ", &polish), "");
    EXPECT_EQ(polish.text, "ąęśćżźółńĄĘŚĆŻŹ");
}

TEST_F(DataExchangeTest, PasteLongerThanTheRoomLeftIsCutToFit) {
    struct Case {
        const char* typed;
        const char* pasted;
        const char* shown;
    };
    const Case cases[] = {
        {"", "0123456789abcdefgh", "0123456789abcde"},
        {"ABC", "0123456789abcdefgh", "ABC0123456789ab"},
        {"ąę", "śćżźółńĄĘŚĆŻŹ0123", "ąęśćżźółńĄĘŚĆŻŹ"}, // characters, not bytes
        {"0123456789abcde", "x", "0123456789abcde"},
        {"ABC", "xyz", "ABCxyz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " + " + c.pasted);
        FieldsDialog dlg;
        Run(dlg, [&](CDialog& d) {
            TypeText(d, IDC_TEXT, c.typed);
            PasteText(d, IDC_TEXT, c.pasted);
            EXPECT_EQ(GetControlText(d, IDC_TEXT), c.shown);
        });
    }
}

TEST_F(DataExchangeTest, FirstFailureStopsTheExchangeAndKeepsMembers) {
    FieldsDialog dlg;
    Run(dlg, [&](CDialog& d) {
        TypeText(d, IDC_UINT, "abc");
        TypeText(d, IDC_INT, "55");
        EXPECT_FALSE(d.UpdateData(TRUE));
        EXPECT_EQ(boxes->size(), 1u);
    });
    EXPECT_EQ(dlg.number, 1u);
    EXPECT_EQ(dlg.whole, 0);
}

TEST_F(DataExchangeTest, OkKeepsTheDialogOpenUntilTheFieldsAreValid) {
    FieldsDialog dlg;
    AddModalHook(kFields, [&](CDialog& d) {
        TypeText(d, IDC_UINT, "0");
        ClickButton(d, IDOK);
        EXPECT_TRUE(d.IsModalLoopRunning());
        TypeText(d, IDC_UINT, "7");
        ClickButton(d, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.number, 7u);
    ASSERT_EQ(boxes->size(), 1u);
}

TEST_F(DataExchangeTest, CheckAndRadioGroupRoundTrip) {
    FieldsDialog dlg;
    dlg.check = 1;
    dlg.radio = 2;
    Run(dlg, [&](CDialog& d) {
        EXPECT_TRUE(IsChecked(d, IDC_CHECK));
        EXPECT_TRUE(IsChecked(d, IDC_RADIO3));
        ClickButton(d, IDC_RADIO1);
        EXPECT_FALSE(IsChecked(d, IDC_RADIO3));
        ClickButton(d, IDC_CHECK);
        EXPECT_TRUE(d.UpdateData(TRUE));
    });
    EXPECT_EQ(dlg.check, 0);
    EXPECT_EQ(dlg.radio, 0);
    dlg.radio = -1;
    Run(dlg, [&](CDialog& d) {
        SetCheck(d, IDC_AFTER, true); // another group: not counted
        for (int id : {IDC_RADIO1, IDC_RADIO2, IDC_RADIO3})
            EXPECT_FALSE(IsChecked(d, id));
        EXPECT_TRUE(d.UpdateData(TRUE));
    });
    EXPECT_EQ(dlg.radio, -1);
}

} // namespace
