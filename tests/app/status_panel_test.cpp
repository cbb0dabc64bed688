// The live status panel: its three looks and the one poll chain.
#include "app/lw_dlg.h"
#include "base/byte_order.h"
#include "framework/afx.h"
#include "framework/testing/test_seams.h"
#include "link/queue.h"
#include "res/resource.h"
#include "tests/support/terminal_harness.h"

#include <gtest/gtest.h>

namespace {

using afx::testing::GetControlText;
using afx::testing::IsEnabled;
using afx::testing::ProcessEvents;
using afx::testing::WaitUntil;

constexpr char kIdle[] = " - - - -\r\n - - - -";

struct StatusValues {
    int speed = 0;
    int position = 0;
    std::int32_t kind = 0; // -1: programmer
    const char* inputs = "0101";
    std::uint8_t outputs = 0;
    std::uint8_t flags = 0;
    int supply = 0;
};

t_transfer_data StatusReply(const StatusValues& v, std::size_t length = 20) {
    t_transfer_data reply;
    reply.length = static_cast<std::uint8_t>(length);
    reply.addressType = MakeAddressType(31, 1);
    reply.command = protocol::kCmdLiveStatus;
    WriteU16LE(reply.data, sizeof reply.data, 0, static_cast<std::uint16_t>(v.speed));
    WriteI32LE(reply.data, sizeof reply.data, 4, v.position);
    WriteI32LE(reply.data, sizeof reply.data, 8, v.kind);
    for (int i = 0; i < 4; ++i) {
        reply.data[12 + i] = static_cast<std::uint8_t>(v.inputs[i]);
    }
    reply.data[16] = v.outputs;
    reply.data[17] = v.flags;
    WriteU16LE(reply.data, sizeof reply.data, 18, static_cast<std::uint16_t>(v.supply));
    return reply;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find("\r\n"));
}

TEST(StatusPanel, ShowsTheRecorderValuesWhileTheLinkIsUp) {
    TerminalHarness harness;
    harness.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(harness.Connect(dlg));

        StatusValues v;
        v.speed = -5;
        v.position = 7;
        v.inputs = "01AB";
        v.outputs = 0b1001'0101; // outputs 1 and 3, test, low supply
        v.flags = 1;
        v.supply = 123;
        t_transfer_data reply = StatusReply(v);
        dlg.OnStatusReply(&reply);
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_SPEED), "-0.05[m/s]\r\n0.007[m]");
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_INPUTS),
                  "Wejście 1 : 0\r\nWejście 2 : 1\r\nWejście 3 : A\r\nWejście 4 : B\r\n");
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_OUTPUTS),
                  "Wyjście 1 : 1\r\nWyjście 2 : 0\r\nWyjście 3 : 1\r\nWyjście 4 : 0\r\nTest : TAK");
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_SUPPLY),
                  "Zasilanie : 12.3[V]\r\nNiskie zasilanie : TAK\r\nPrzegląd : TAK\r\n"
                  "Tacho 0 : 0\r\nTacho 1 : 0");

        v = StatusValues{};
        v.supply = 5;
        reply = StatusReply(v);
        dlg.OnStatusReply(&reply);
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_SPEED), "0.00[m/s]\r\n0.000[m]");
        EXPECT_EQ(FirstLine(GetControlText(dlg, IDC_STATUS_SUPPLY)), "Zasilanie : 0.5[V]");
        EXPECT_TRUE(IsEnabled(dlg, IDC_SET_POSITION));
        EXPECT_FALSE(IsEnabled(dlg, IDC_PROGRAMMER));
    });
}

TEST(StatusPanel, ProgrammerLookSwitchesTheTwoButtons) {
    TerminalHarness harness;
    harness.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(harness.Connect(dlg));
        StatusValues v;
        v.kind = -1;
        v.supply = 120;
        const t_transfer_data reply = StatusReply(v);
        dlg.OnStatusReply(&reply);
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_SPEED), "Programator\r\n - - - -");
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_INPUTS), "");
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_OUTPUTS), "");
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_SUPPLY), "");
        EXPECT_TRUE(IsEnabled(dlg, IDC_PROGRAMMER));
        EXPECT_FALSE(IsEnabled(dlg, IDC_SET_POSITION));
    });
}

TEST(StatusPanel, ShortReplyAndMissingReplyShowTheIdleLook) {
    TerminalHarness harness;
    harness.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(harness.Connect(dlg));
        StatusValues v;
        v.speed = 125;
        v.supply = 123;
        t_transfer_data full = StatusReply(v);
        dlg.OnStatusReply(&full);
        ASSERT_NE(GetControlText(dlg, IDC_STATUS_SPEED), kIdle);

        const t_transfer_data shortReply = StatusReply(v, 19);
        dlg.OnStatusReply(&shortReply);
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_SPEED), kIdle);
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_SUPPLY), "");

        dlg.OnStatusReply(&full);
        dlg.OnStatusReply(nullptr);
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_SPEED), kIdle);
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_INPUTS), "");
    });
}

TEST(StatusPanel, SecondPollRequestWhileOneIsOutIsNotSent) {
    t_harness_options options;
    options.startSimulator = false;
    TerminalHarness harness(options);
    harness.Run([](CLWDlg& dlg) {
        const std::size_t timers = dlg.ArmedTimerCount();
        dlg.PollStatus(1);
        EXPECT_TRUE(dlg.Queue().IsBusy());
        dlg.PollStatus(1);
        EXPECT_EQ(dlg.Queue().PendingCount(), 0u);
        // The request finds no link and ends by its time-out; with the link down no
        // further poll is armed and the panel stays idle.
        ASSERT_TRUE(WaitUntil([&] { return !dlg.Queue().IsBusy(); }, 3000));
        ProcessEvents(100);
        EXPECT_EQ(dlg.ArmedTimerCount(), timers);
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_SPEED), kIdle);
    });
}

TEST(StatusPanel, PollsOncePerSecondAndStopsWhenTheLinkGoesDown) {
    TerminalHarness harness;
    harness.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(harness.Connect(dlg));
        ASSERT_TRUE(WaitUntil(
            [&] {
                return GetControlText(dlg, IDC_STATUS_SPEED).find("[m/s]") != std::string::npos;
            },
            3000));
        // Extra switch-ons while the chain runs start no second chain.
        dlg.PollStatus(1);
        dlg.PollStatus(1);
        const auto before = harness.Sim().CommandCount(protocol::kCmdLiveStatus);
        ProcessEvents(3500);
        const auto polled = harness.Sim().CommandCount(protocol::kCmdLiveStatus) - before;
        EXPECT_GE(polled, 2u);
        EXPECT_LE(polled, 4u);

        ASSERT_TRUE(harness.Disconnect(dlg));
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_SPEED), kIdle);
        ProcessEvents(200); // a reply already on its way
        const auto atDown = harness.Sim().CommandCount(protocol::kCmdLiveStatus);
        ProcessEvents(2000);
        EXPECT_EQ(harness.Sim().CommandCount(protocol::kCmdLiveStatus), atDown);
        EXPECT_EQ(GetControlText(dlg, IDC_STATUS_SPEED), kIdle);
        EXPECT_EQ(dlg.ArmedTimerCount(), 0u);
    });
}

TEST(StatusPanel, QuickReconnectWhileAPollIsOutKeepsOneChain) {
    TerminalHarness harness;
    harness.Sim().WithDevice([](DeviceSimulator& device) {
        device.DropReply(protocol::kCmdLiveStatus);
        return 0;
    });
    harness.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(harness.Connect(dlg)); // the first poll is out and gets no reply
        ASSERT_TRUE(harness.Disconnect(dlg));
        afx::testing::ClickButton(dlg, IDC_CONNECT);
        ASSERT_TRUE(WaitUntil(
            [&] { return CountLines(TerminalHarness::ConsoleLines(dlg), "Połączono") == 2; },
            3000));
        harness.Sim().WithDevice([](DeviceSimulator& device) {
            device.ClearFaults();
            return 0;
        });
        const auto before = harness.Sim().CommandCount(protocol::kCmdLiveStatus);
        ProcessEvents(4000);
        const auto polled = harness.Sim().CommandCount(protocol::kCmdLiveStatus) - before;
        // One chain: the time-out of the outstanding poll, then one poll a second.
        EXPECT_GE(polled, 2u);
        EXPECT_LE(polled, 4u);
        EXPECT_NE(GetControlText(dlg, IDC_STATUS_SPEED).find("[m/s]"), std::string::npos);
    });
}

} // namespace
