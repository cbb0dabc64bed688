// Every text of every dialog can be read: each caption of a static text, check box, radio
// button, group box and button, and the widest value each edit box can be given, fits the
// control as the dialog font and the style lay it out.
#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace t = afx::testing;

namespace {

// What a COMn of the Port dialog may lead to, the widest of each kind: an adapter with a
// long model name and a held port, a pulled adapter's stable name, a missing built-in port.
const std::vector<std::string>& ComTargetTexts() {
    static const std::vector<std::string> texts = {
        "FT232R USB UART, A10K1ABC (/dev/ttyUSB10): zajęty przez proces 4194304",
        "CP2102N USB to UART Bridge Controller, 0001 (/dev/ttyUSB10)",
        "USB-Serial Controller D, AB0CD12E (/dev/ttyUSB10): brak dostępu",
        "brak: usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0 nie istnieje",
        "brak: usb-Silicon_Labs_CP2102N_USB_to_UART_Bridge_0001-if00-port0 nie istnieje",
        "/dev/ttyS5: brak portu w komputerze",
        "port wbudowany (/dev/ttyS5): zajęty przez proces 4194304",
    };
    return texts;
}

// The widest text of each format that fills a box: numbers at their type's widest, dates
// with two-digit fields. Keyed by template and control.
const std::map<std::pair<int, int>, std::vector<std::string>>& DataTexts() {
    static const std::string kDate = "2026.12.07  17:05.18";     // a recording's times
    static const std::string kFarDate = "65535.12.31  23:59.59"; // any stored year
    static const std::string kDuration = "49710 dni , 6 godzin , 28 minut , 15 sekund";
    static const std::map<std::pair<int, int>, std::vector<std::string>> texts = {
        {{IDD_WYKRES, IDC_CHART_START}, {kDate}},
        {{IDD_WYKRES, IDC_CHART_END}, {kDate}},
        {{IDD_DANE_BAZOWE, IDC_FACTORY_NUMBER}, {"65535"}},
        {{IDD_DANE_BAZOWE, IDC_DRIVE_UP}, {"65535"}},
        {{IDD_DANE_BAZOWE, IDC_DRIVE_DOWN}, {"65535"}},
        {{IDD_DANE_BAZOWE, IDC_ROUTE_LENGTH}, {"65535"}},
        {{IDD_DANE_BAZOWE, IDC_CHECKPOINT1}, {"65535"}},
        {{IDD_DANE_BAZOWE, IDC_CHECKPOINT1 + 1}, {"65535"}},
        {{IDD_DANE_BAZOWE, IDC_CHECKPOINT1 + 2}, {"65535"}},
        {{IDD_DANE_BAZOWE, IDC_CHECKPOINT1 + 3}, {"65535"}},
        {{IDD_DANE_BAZOWE, IDC_ZONE_WIDTH}, {"255"}},
        {{IDD_DANE_BAZOWE, IDC_VOLTAGE_LEVEL}, {"25.5"}},
        {{IDD_DANE_CZYTNIKA, IDC_FACTORY_NUMBER}, {"65535"}},
        {{IDD_DANE_CZYTNIKA, IDC_POWER_OFF_TIME}, {"65535"}},
        {{IDD_DANE_CZYTNIKA, IDC_PROGRAMMER_VOLTAGE}, {"255"}},
        {{IDD_STATYSTYKA, IDC_TOTAL_DRIVING}, {kDuration}},
        {{IDD_STATYSTYKA, IDC_RESETTABLE_DRIVING}, {kDuration}},
        {{IDD_STATYSTYKA, IDC_DRIVING_CLEARED}, {kFarDate}},
        {{IDD_STATYSTYKA, IDC_TOTAL_WORKING}, {kDuration}},
        {{IDD_STATYSTYKA, IDC_RESETTABLE_WORKING}, {kDuration}},
        {{IDD_STATYSTYKA, IDC_WORKING_CLEARED}, {kFarDate}},
        {{IDD_STATYSTYKA, IDC_KILOMETRES}, {"4294967.295"}},
        {{IDD_PRZEGL, IDC_INTERVAL}, {"-32768"}},
        {{IDD_BORDERS, IDC_RANGE_MIN}, {"65535"}},
        {{IDD_BORDERS, IDC_RANGE_MAX}, {"65535"}},
        {{IDD_LOCATION, IDC_POSITION_METRES}, {"4294967"}},
        // A readout's rate and time left, the widest a line allows: a long time left goes
        // with a low rate (over ten minutes below 0,8 kB/s), and the estimate ends at 100 h.
        {{IDD_NV_PROGRESS, IDC_PROGRESS_TEXT},
         {"475 136 z 475 136 B, 0,8 kB/s, zostało ok. 59 min 59 s",
          "475 136 z 475 136 B, 0,1 kB/s, zostało ok. 99 h 59 min",
          "475 136 z 475 136 B, 99,9 kB/s, zostało ok. 59 s"}},
        {{IDD_OPCJE, IDC_COM_TARGET1}, ComTargetTexts()},
        {{IDD_OPCJE, IDC_COM_TARGET1 + 1}, ComTargetTexts()},
        {{IDD_OPCJE, IDC_COM_TARGET1 + 2}, ComTargetTexts()},
        {{IDD_OPCJE, IDC_COM_TARGET1 + 3}, ComTargetTexts()},
        {{IDD_OPCJE, IDC_COM_TARGET1 + 4}, ComTargetTexts()},
        {{IDD_OPCJE, IDC_COM_TARGET1 + 5}, ComTargetTexts()},
        {{IDD_OPCJE, IDC_PORT_NOTE},
         {"Nie wykryto adaptera USB. Pakiet brltty może go przejmować: sudo apt remove brltty, "
          "potem podłącz adapter ponownie."}},
    };
    return texts;
}

// Free text the user types, as long as its limit allows: the box scrolls it.
bool IsFreeText(int templateId, int controlId) {
    return (templateId == IDD_DANE_BAZOWE || templateId == IDD_DANE_CZYTNIKA) &&
           controlId == IDC_DESCRIPTION;
}

TEST(TemplateTexts, EveryCaptionAndWidestValueFitsItsControl) {
    const int templates[] = {IDD_LW_DIALOG,   IDD_OPCJE,       IDD_ABOUTBOX,   IDD_REQUEST,
                             IDD_NV_PROGRESS, IDD_DANE_BAZOWE, IDD_STATYSTYKA, IDD_DANE_CZYTNIKA,
                             IDD_WYKRES,      IDD_PRZEGL,      IDD_PRZEK,      IDD_BORDERS,
                             IDD_LOCATION};
    for (int id : templates) {
        const DialogTemplate* templ = FindDialogTemplate(id);
        ASSERT_NE(templ, nullptr) << id;
        CDialog dialog(static_cast<UINT>(id));
        t::AddModalHook(id, [&](CDialog& d) {
            for (std::size_t i = 0; i < templ->controls.size(); ++i) {
                const ControlTemplate& c = templ->controls[i];
                std::vector<std::string> texts;
                switch (c.kind) {
                case ControlKind::Edit:
                    if ((c.style & ES_MULTILINE) != 0 || IsFreeText(id, c.id))
                        break;
                    if (auto it = DataTexts().find({id, c.id}); it != DataTexts().end())
                        texts = it->second;
                    else
                        ADD_FAILURE()
                            << "template " << id << ", box " << c.id << ": no widest value listed";
                    break;
                case ControlKind::ListView:
                case ControlKind::Trackbar:
                case ControlKind::Progress:
                    break;
                default:
                    if (!c.text.empty())
                        texts.push_back(c.text);
                    else if (auto it = DataTexts().find({id, c.id}); it != DataTexts().end())
                        texts = it->second;
                    break;
                }
                for (const std::string& text : texts) {
                    const t::TextFit fit = t::MeasureControlText(d, i, text);
                    EXPECT_LE(fit.neededWidth, fit.roomWidth)
                        << "template " << id << ", control " << c.id << ": \"" << text << "\"";
                    EXPECT_LE(fit.neededHeight, fit.roomHeight)
                        << "template " << id << ", control " << c.id << ": \"" << text << "\"";
                }
            }
            d.EndDialog(IDCANCEL);
        });
        dialog.DoModal();
    }
}

} // namespace
