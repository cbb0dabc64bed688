// The wait box: one exchange with the simulated device, end to end.

#include "link/ui/dlg_request.h"
#include "res/resource.h"
#include "tests/link/link_test_util.h"
#include "tests/support/picture_path.h"

#include <gtest/gtest.h>

using afx::testing::AddModalHook;
using afx::testing::ProcessEvents;

TEST(WaitBox, ExchangeGivesTheDevicesReply) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        CDlgRequest& box = dlg.RequestDialog();
        box.SetRequest(31, protocol::kCmdReadVersions, nullptr, 0);
        box.DoModal();
        const t_transfer_data* reply = box.GetReply();
        ASSERT_NE(reply, nullptr);
        EXPECT_EQ(reply->command, protocol::kCmdReadVersions);
        EXPECT_EQ(reply->data[0],
                  h.Sim().WithDevice([](DeviceSimulator& d) { return d.Version(); }));
        // The request went out byte for byte as the frame format gives it.
        const auto log = h.Sim().Log();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back().raw, "\n\r:03F921E3");
    });
}

TEST(WaitBox, LostReplyGivesNoneAfterTheTimeOut) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        h.Sim().WithDevice([](DeviceSimulator& d) { d.DropReply(protocol::kCmdReadStatistics); });
        CDlgRequest& box = dlg.RequestDialog();
        box.SetRequest(31, protocol::kCmdReadStatistics, nullptr, 0);
        const auto start = std::chrono::steady_clock::now();
        box.DoModal();
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1400));
        EXPECT_EQ(box.GetReply(), nullptr);
    });
}

TEST(WaitBox, ExchangeLeftWithEscapeDoesNotLendItsLateReplyToTheNext) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        h.Sim().WithDevice([](DeviceSimulator& d) { d.SetReplyDelayMs(500); });
        CDlgRequest& box = dlg.RequestDialog();

        box.SetRequest(31, protocol::kCmdReadStatistics, nullptr, 0);
        AddModalHook(IDD_REQUEST, [](CDialog& shown) { afx::testing::PressEscape(shown); });
        box.DoModal();
        EXPECT_EQ(box.GetReply(), nullptr);

        // The statistics reply comes while this exchange waits behind it.
        box.SetRequest(31, protocol::kCmdReadVersions, nullptr, 0);
        box.DoModal();
        const t_transfer_data* reply = box.GetReply();
        ASSERT_NE(reply, nullptr);
        EXPECT_EQ(reply->command, protocol::kCmdReadVersions);
        EXPECT_EQ(h.RequestsOf(protocol::kCmdReadVersions).size(), 1u);
    });
}

TEST(WaitBox, EnterEndsTheWaitWithoutAReply) {
    TerminalHarness h;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        h.Sim().WithDevice([](DeviceSimulator& d) { d.SetReplyDelayMs(300); });
        CDlgRequest& box = dlg.RequestDialog();
        box.SetRequest(31, protocol::kCmdReadClock, nullptr, 0);
        AddModalHook(IDD_REQUEST, [](CDialog& shown) { afx::testing::PressEnter(shown); });
        box.DoModal();
        EXPECT_EQ(box.GetReply(), nullptr);
        // The late reply arrives while the box is closed and leaves the result alone.
        ProcessEvents(600);
        EXPECT_EQ(box.GetReply(), nullptr);
    });
}

TEST(WaitBox, LooksAsItsTemplateSays) {
    t_harness_options offline;
    offline.startSimulator = false;
    TerminalHarness h(offline);
    h.Run([&](CLWDlg& dlg) {
        CDlgRequest& box = dlg.RequestDialog();
        box.SetRequest(31, protocol::kCmdReadVersions, nullptr, 0);
        AddModalHook(IDD_REQUEST, [](CDialog& shown) {
            EXPECT_EQ(afx::testing::WindowCaption(shown), "Transmisja danych");
            EXPECT_EQ(afx::testing::GetControlText(shown, IDC_REQUEST_TEXT), "Czekaj ...");
            EXPECT_EQ(afx::testing::ClientSize(shown), CSize(132, 55));
            afx::testing::GrabWindow(shown).SavePng(PicturePath("link_wait_box.png"));
            afx::testing::PressEscape(shown);
        });
        box.DoModal();
        dlg.Queue().ClearQueue();
    });
}
