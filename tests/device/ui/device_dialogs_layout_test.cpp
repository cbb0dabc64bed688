// The device dialogs as the user sees them: every control inside the window, no two
// controls on top of each other (group boxes aside), and "Zapisz" / "Nie zapisuj" at the
// bottom right. Each dialog is also rendered to dlg_<template>.png (PicturePath) for a look.
#include "device/ui/borders.h"
#include "device/ui/dlg_dane_bazowe.h"
#include "device/ui/dlg_dane_czytnika.h"
#include "device/ui/dlg_location.h"
#include "device/ui/dlg_przegl.h"
#include "device/ui/dlg_przek.h"
#include "device/ui/dlg_statystyka.h"
#include "framework/testing/test_seams.h"
#include "res/resource.h"
#include "tests/support/picture_path.h"

#include <gtest/gtest.h>
#include <string>

namespace t = afx::testing;

namespace {

bool Overlap(const CRect& a, const CRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void CheckLayout(CDialog& dialog) {
    const int id = static_cast<int>(dialog.GetTemplateId());
    const DialogTemplate* templ = FindDialogTemplate(id);
    ASSERT_NE(templ, nullptr);
    bool shown = false;
    t::AddModalHook(id, [&](CDialog& d) {
        shown = true;
        EXPECT_TRUE(t::GrabWindow(d).SavePng(PicturePath("dlg_" + std::to_string(id) + ".png")));
        const CSize client = t::ClientSize(d);
        std::vector<std::pair<const ControlTemplate*, CRect>> placed;
        for (const ControlTemplate& c : templ->controls) {
            const CRect r = afx::ControlRectPixels(c);
            EXPECT_GE(r.left, 0) << c.text;
            EXPECT_GE(r.top, 0) << c.text;
            EXPECT_LE(r.right, client.cx) << c.text;
            EXPECT_LE(r.bottom, client.cy) << c.text;
            if (c.kind == ControlKind::GroupBox) {
                continue;
            }
            for (const auto& [other, otherRect] : placed) {
                EXPECT_FALSE(Overlap(r, otherRect)) << "'" << c.text << "' (" << c.id << ") and '"
                                                    << other->text << "' (" << other->id << ")";
            }
            placed.emplace_back(&c, r);
        }
        const CRect save = t::ControlRect(d, IDOK);
        const CRect cancel = t::ControlRect(d, IDCANCEL);
        EXPECT_LT(save.right, cancel.left);
        EXPECT_EQ(save.top, cancel.top);
        EXPECT_GT(client.cx - cancel.right, 0);
        EXPECT_LT(client.cx - cancel.right, 20);
        EXPECT_LT(client.cy - cancel.bottom, 20);
        for (const auto& [c, r] : placed) {
            if (c->id != IDOK && c->id != IDCANCEL) {
                EXPECT_LE(r.bottom, save.top) << c->text;
            }
        }
        t::ClickButton(d, IDCANCEL);
    });
    dialog.DoModal();
    EXPECT_TRUE(shown);
}

TEST(DeviceDialogsLayout, ConfigurationDialog) {
    CDlgDaneBazowe dialog;
    dialog.m_record.SetDescription("Winda towarowa");
    CheckLayout(dialog);
}

TEST(DeviceDialogsLayout, ProgrammerDialog) {
    CDlgDaneCzytnika dialog;
    CheckLayout(dialog);
}

TEST(DeviceDialogsLayout, StatisticsDialog) {
    CDlgStatystyka dialog;
    for (auto& b : dialog.m_record.bytes) {
        b = 0xFF; // the longest texts: 49710 days, year 65535
    }
    CheckLayout(dialog);
}

TEST(DeviceDialogsLayout, InspectionsDialog) {
    CDlgPrzegl dialog;
    for (int i = 0; i < 16; ++i) {
        dialog.m_record.SetSlot(i, MakeDeviceTime(2009, 12, 1 + i, 10 + i % 10, 59, 59));
    }
    CheckLayout(dialog);
}

TEST(DeviceDialogsLayout, RelaysDialog) {
    CDlgPrzek dialog;
    for (int relay = 0; relay < 4; ++relay) {
        dialog.m_record.SetOutOfRange(relay);
    }
    CheckLayout(dialog);
}

TEST(DeviceDialogsLayout, RelayRangeDialog) {
    CBorders dialog;
    CheckLayout(dialog);
}

TEST(DeviceDialogsLayout, PositionDialog) {
    CDlgLocation dialog;
    CheckLayout(dialog);
}

} // namespace
