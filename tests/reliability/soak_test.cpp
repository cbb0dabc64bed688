// Soak: 10,000 status exchanges sent back to back through the request queue, and 200 mixed
// operations against the simulator in one run. On a clean line no reply is lost, and the
// resident set stays flat once the program has warmed up.

#include "device/live_status.h"
#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "res/resource.h"
#include "tests/reliability/reliability_util.h"
#include "tests/support/terminal_harness.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <iostream>
#include <unistd.h>

namespace t = afx::testing;
using namespace reliability;

namespace {

constexpr int kExchanges = 10000;
constexpr int kWarmUp = 1000;
constexpr long kFlatBytes = 1L << 20;

// AddressSanitizer keeps freed memory in quarantine, so the resident set grows there by
// design; memory is judged in the plain build only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMeasureMemory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMeasureMemory = false;
#else
constexpr bool kMeasureMemory = true;
#endif
#else
constexpr bool kMeasureMemory = true;
#endif

long ResidentBytes() {
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

// Sends the next status request from the reply handler of the previous one, so that one
// request is always on the line and the timer plays no part.
class CStatusChain {
public:
    explicit CStatusChain(CLWDlg& dlg) : m_dlg(dlg) {}
    void Start() { Send(); }
    void OnReply(const t_transfer_data* reply) {
        if (reply != nullptr && reply->command == protocol::kCmdLiveStatus &&
            reply->length == protocol::kLiveStatusSize) {
            ++replies;
        } else {
            ++missing;
        }
        if (replies + missing == kWarmUp) {
            residentAfterWarmUp = ResidentBytes();
        }
        if (replies + missing < kExchanges) {
            Send();
        }
    }
    bool Done() const { return replies + missing == kExchanges; }

    int replies = 0;
    int missing = 0;
    long residentAfterWarmUp = 0;

private:
    void Send() {
        m_dlg.SendRequest(m_dlg.DeviceAddress(), protocol::kTypeReply, protocol::kCmdLiveStatus,
                          kLiveStatusRequest, static_cast<int>(kLiveStatusRequestSize),
                          [this](const t_transfer_data* reply) { OnReply(reply); });
    }
    CLWDlg& m_dlg;
};

TEST(Soak, TenThousandBackToBackExchangesLoseNoReplyAndKeepMemoryFlat) {
    TerminalHarness h;
    h.Sim().WithDevice([](DeviceSimulator& d) { d.SetLogLimit(100); });
    long residentAtEnd = 0;
    long residentAfterWarmUp = 0;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        ClearSimLog(h);
        CStatusChain chain(dlg);
        chain.Start();
        ASSERT_TRUE(t::WaitUntil([&] { return chain.Done(); }, 120000));
        residentAtEnd = ResidentBytes();
        residentAfterWarmUp = chain.residentAfterWarmUp;
        EXPECT_EQ(chain.missing, 0);
        EXPECT_EQ(chain.replies, kExchanges);
        EXPECT_EQ(CommandCount(h, protocol::kCmdLiveStatus), static_cast<unsigned>(kExchanges));
    });
    std::cout << "[ figures  ] " << kExchanges << " exchanges, resident set " << residentAfterWarmUp
              << " B after " << kWarmUp << ", " << residentAtEnd << " B at the end\n";
    if (kMeasureMemory) {
        EXPECT_LT(residentAtEnd - residentAfterWarmUp, kFlatBytes);
    }
}

TEST(Soak, TwoHundredMixedOperationsGetEveryReply) {
    TerminalHarness h;
    int operations = 0;
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(h.Connect(dlg)); // the live status poll goes on in between
        for (int round = 0; round < 25; ++round) {
            t::ClickButton(dlg, IDC_VERSIONS);
            h.AnswerNext(IDNO);
            t::ClickButton(dlg, IDC_SET_CLOCK);
            t::AddModalHook(IDD_LOCATION, [](CDialog& d) { t::ClickButton(d, IDCANCEL); });
            t::ClickButton(dlg, IDC_SET_POSITION);
            t::AddModalHook(IDD_STATYSTYKA, SaveOrLeave);
            t::ClickButton(dlg, IDC_STATISTICS);
            t::AddModalHook(IDD_DANE_BAZOWE, SaveOrLeave);
            t::ClickButton(dlg, IDC_CONFIGURATION);
            t::AddModalHook(IDD_PRZEGL, [](CDialog& d) { t::ClickButton(d, IDCANCEL); });
            t::ClickButton(dlg, IDC_INSPECTIONS);
            t::AddModalHook(IDD_PRZEK, SaveOrLeave);
            t::ClickButton(dlg, IDC_RELAYS);
            if (round % 12 == 0) {
                // After the first, each is asked whether to read only what is new: all of it.
                if (round > 0) {
                    h.AnswerNext(IDNO);
                }
                t::ClickButton(dlg, IDC_READ_RECORDER);
            } else {
                t::ClickButton(dlg, IDC_VERSIONS);
            }
            operations += 8;
            ASSERT_EQ(t::PendingModalHooks(IDD_LOCATION) + t::PendingModalHooks(IDD_STATYSTYKA) +
                          t::PendingModalHooks(IDD_DANE_BAZOWE) + t::PendingModalHooks(IDD_PRZEGL) +
                          t::PendingModalHooks(IDD_PRZEK),
                      0);
        }
        // Every box was the clock question or the repeat readout's; no request went
        // unanswered.
        int clock = 0;
        for (const auto& box : h.Boxes()) {
            clock += box.text.rfind("Czas w urządzeniu: ", 0) == 0 ? 1 : 0;
            EXPECT_TRUE(box.text.rfind("Czas w urządzeniu: ", 0) == 0 ||
                        box.text.rfind("Odczytać tylko nowe pomiary", 0) == 0)
                << box.text;
        }
        EXPECT_EQ(clock, 25);
        EXPECT_EQ(h.Boxes().size(), 27u);
        const auto recorder = Recorder(h);
        EXPECT_TRUE(std::equal(recorder.begin(), recorder.end(), dlg.MemoryImage()));
        EXPECT_EQ(h.Sim().WithDevice([](DeviceSimulator& d) { return d.RepliesLost(); }), 0u);
        EXPECT_EQ(CountLines(TerminalHarness::ConsoleLines(dlg), kAborted), 0);
    });
    EXPECT_EQ(operations, 200);
    t::ClearModalHooks();
}

} // namespace
