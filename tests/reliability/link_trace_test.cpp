// The trace of the line in the window, switched from the system menu's entry beside About:
// a readout with 1 % of the replies lost shows every frame, every time-out and every retry,
// in a file of the parts' folder named by its start, which the console names.

#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "res/resource.h"
#include "tests/reliability/reliability_util.h"
#include "tests/support/terminal_harness.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace t = afx::testing;
using namespace reliability;

namespace {

struct t_menu_item {
    std::string text;
    bool checkable;
    bool checked;
    bool operator==(const t_menu_item&) const = default;
};

// Opens the window's system menu with Alt+Space and picks the trace's entry; gives what the
// menu showed.
std::vector<t_menu_item> PickTraceEntry(CLWDlg& dlg) {
    std::vector<t_menu_item> shown;
    t::SetPopupMenuAnswerer([&](const CMenu& menu, CPoint) {
        for (const CMenu::Item& item : menu.Items()) {
            shown.push_back({item.text, item.checkable, (item.flags & MF_CHECKED) != 0});
        }
        return static_cast<UINT_PTR>(IDM_LINK_TRACE);
    });
    t::PressKey(dlg, ' ', FALT);
    t::SetPopupMenuAnswerer(nullptr);
    return shown;
}

std::vector<t_menu_item> SystemMenu(bool traceChecked) {
    return {{"", false, false},
            {"&About LW...", false, false},
            {"&Zapis ruchu łącza", true, traceChecked}};
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// What a trace line says after its time ("-> :08F928...").
std::string Said(const std::string& line) {
    return line.size() > 13 ? line.substr(13) : "";
}

// The memory address of a read-chunk request's line: data bytes 0 to 3, least significant
// first, after ':', L, address/type and command.
std::uint32_t ChunkAddress(const std::string& said) {
    std::uint32_t address = 0;
    for (int i = 3; i >= 0; --i) {
        address = address << 8 | std::stoul(said.substr(7 + 2 * i, 2), nullptr, 16);
    }
    return address;
}

std::string Hex6(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", address);
    return text;
}

TEST(LinkTraceInTheWindow, AReadoutLosingOnePercentShowsEveryRetry) {
    TerminalHarness h;
    std::string secondPath;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        const auto sim = [&](auto f) { return h.Sim().WithDevice(f); };
        const std::uint64_t requestsBefore = h.Sim().RequestCount();
        const std::uint64_t repliesBefore = sim([](DeviceSimulator& d) { return d.RepliesSent(); });
        const std::uint64_t lostBefore = sim([](DeviceSimulator& d) { return d.RepliesLost(); });

        EXPECT_EQ(PickTraceEntry(dlg), SystemMenu(false));
        const std::string path = dlg.LinkTracePath();
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(), "Zapis ruchu łącza do pliku " + path);
        // Beside the parts, in the program's folder of this portable copy.
        ASSERT_EQ(path.rfind(h.PathOf("ruch-lacza-"), 0), 0u) << path;
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);

        sim([](DeviceSimulator& d) { d.SetRandomDrop(0.01, 7); });
        t::ClickButton(dlg, IDC_READ_RECORDER);
        EXPECT_TRUE(h.Boxes().empty());
        EXPECT_TRUE(std::equal(dlg.MemoryImage(), dlg.MemoryImage() + protocol::kRecorderSize,
                               Recorder(h).begin()));

        EXPECT_EQ(PickTraceEntry(dlg), SystemMenu(true));
        EXPECT_EQ(TerminalHarness::ConsoleLines(dlg).back(),
                  "Zapis ruchu łącza zakończony: " + path);
        // A trace started again goes to a file of its own; the window's end ends it.
        EXPECT_EQ(PickTraceEntry(dlg), SystemMenu(false));
        secondPath = dlg.LinkTracePath();
        EXPECT_NE(secondPath, path);

        const std::uint64_t requests = h.Sim().RequestCount() - requestsBefore;
        const std::uint64_t replies =
            sim([](DeviceSimulator& d) { return d.RepliesSent(); }) - repliesBefore;
        const std::uint64_t lost =
            sim([](DeviceSimulator& d) { return d.RepliesLost(); }) - lostBefore;
        ASSERT_GT(lost, 0u);

        const std::vector<std::string> lines = Lines(path);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.front().rfind("# Dovuzedu RE2, re2-terminal ", 0), 0u) << lines.front();
        EXPECT_EQ(Said(lines.back()), "-- koniec zapisu");
        std::uint64_t sent = 0;
        std::uint64_t received = 0;
        std::uint64_t timeOuts = 0;
        std::uint64_t retries = 0;
        std::string lastSent;
        std::string timedOut; // the request whose time-out came last, until its retry
        for (const std::string& line : lines) {
            const std::string said = Said(line);
            if (said.starts_with("-> ")) {
                ++sent;
                lastSent = said.substr(3);
            } else if (said.starts_with("<- ")) {
                ++received;
            } else if (said.starts_with("-- limit czasu: brak odpowiedzi na komendę 40 ")) {
                ++timeOuts;
                timedOut = lastSent;
            } else if (said.starts_with("-- ponowienie: komenda 40, ")) {
                ++retries;
                // Each retry asks again for the chunk whose reply the time-out before it missed.
                EXPECT_EQ(timedOut, lastSent) << said;
                EXPECT_NE(said.find(" od adresu " + Hex6(ChunkAddress(lastSent)) + ", próba "),
                          std::string::npos)
                    << said << " after " << lastSent;
                timedOut.clear();
            }
        }
        // Every request went out traced; each got its reply or timed out. A reply late past
        // the end of the trace is the device's, not the trace's.
        EXPECT_EQ(sent, requests);
        EXPECT_GE(received, sent - timeOuts);
        EXPECT_LE(received, replies);
        // Every lost reply timed out and was asked again; on a busy machine a reply may also
        // come after its wait, which then counts as one more.
        EXPECT_GE(timeOuts, lost);
        EXPECT_EQ(retries, timeOuts);
        EXPECT_EQ(retries, dlg.Queue().Retries());
        std::cout << "[ figures  ] trace of a readout losing 1 %: " << sent << " frames sent, "
                  << received << " received, " << timeOuts << " time-outs, " << retries
                  << " retries, " << lines.size() << " lines\n";
    });
    const std::vector<std::string> second = Lines(secondPath);
    ASSERT_GE(second.size(), 3u);
    EXPECT_EQ(Said(second[second.size() - 2]), "-- rozłączono: koniec pracy programu");
    EXPECT_EQ(Said(second.back()), "-- koniec zapisu");
}

} // namespace
