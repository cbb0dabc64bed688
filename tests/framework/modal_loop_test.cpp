#include "test_dialogs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

using namespace afx::testing;
using namespace fwtest;

namespace {

class Receiver : public CDialog {
public:
    Receiver() : CDialog(kNoButtons) {}
    std::vector<int> commands;
    std::vector<UINT_PTR> timers;
    std::map<UINT_PTR, std::chrono::steady_clock::time_point> firedAt;
    void OnCmd(UINT id) { commands.push_back(static_cast<int>(id)); }
    void OnTimer(UINT_PTR id) {
        firedAt[id] = std::chrono::steady_clock::now();
        timers.push_back(id);
        KillTimer(id);
    }
    const AFX_MSGMAP* GetMessageMap() const override {
        static const AFX_MSGMAP map = AFX_MSGMAP::Of<Receiver>(
            CDialog::GetThisMessageMap(), {
                                              OnCommandRangeEntry(100, 2000, &Receiver::OnCmd),
                                              OnTimerEntry(&Receiver::OnTimer),
                                          });
        return &map;
    }
};

class ModalLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestTemplates();
        ClearModalHooks();
    }
};

TEST_F(ModalLoopTest, MessagesPostedFromAnotherThreadArriveInOrderInsideANestedModalLoop) {
    Receiver main;
    CDialog inner(kPlainDialog);
    constexpr int kCount = 500;
    AddModalHook(kNoButtons, [&](CDialog&) {
        AddModalHook(kPlainDialog, [&](CDialog& d) {
            std::thread worker([&main] {
                for (int i = 0; i < kCount; ++i)
                    main.PostMessage(WM_COMMAND, static_cast<WPARAM>(100 + i), 0);
            });
            worker.join();
            EXPECT_TRUE(WaitUntil([&] { return main.commands.size() == kCount; }, 5000));
            d.EndDialog(IDOK);
        });
        EXPECT_EQ(inner.DoModal(), IDOK);
        main.EndDialog(IDOK);
    });
    main.DoModal();
    ASSERT_EQ(main.commands.size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i)
        EXPECT_EQ(main.commands[static_cast<std::size_t>(i)], 100 + i);
}

TEST_F(ModalLoopTest, TimersOfTheMainWindowFireInsideAModalDialogAndNeverEarly) {
    using Clock = std::chrono::steady_clock;
    Receiver main;
    CDialog inner(kPlainDialog);
    // Reply time-outs of 1500 ms, started at different moments: a timer that may fire a
    // few per cent early would, for some of them, come before its time.
    constexpr UINT kTimeout = 1500;
    const UINT_PTR timeouts[] = {20, 21, 22, 23, 24};
    std::map<UINT_PTR, Clock::time_point> startedAt;
    AddModalHook(kNoButtons, [&](CDialog&) {
        EXPECT_EQ(main.SetTimer(7, 30), 7u);
        EXPECT_EQ(main.SetTimer(8, 60), 8u);
        for (UINT_PTR id : timeouts) {
            startedAt[id] = Clock::now();
            main.SetTimer(id, kTimeout);
            ProcessEvents(37);
        }
        AddModalHook(kPlainDialog, [&](CDialog& d) {
            EXPECT_TRUE(WaitUntil([&] { return main.timers.size() == 7; }, 8000));
            d.EndDialog(IDOK);
        });
        inner.DoModal();
        main.EndDialog(IDOK);
    });
    main.DoModal();
    ASSERT_EQ(main.timers.size(), 7u);
    EXPECT_EQ(main.timers[0], 7u);
    EXPECT_EQ(main.timers[1], 8u);
    for (UINT_PTR id : timeouts) {
        ASSERT_TRUE(main.firedAt.count(id) == 1) << id;
        const auto waited = main.firedAt[id] - startedAt[id];
        EXPECT_GE(waited, std::chrono::milliseconds(kTimeout)) << "timer " << id;
        EXPECT_LT(waited, std::chrono::milliseconds(kTimeout + 3000)) << "timer " << id;
    }
}

TEST_F(ModalLoopTest, TimersAndPostedMessagesDieWithTheWindow) {
    Receiver main;
    AddModalHook(kNoButtons, [&](CDialog&) {
        main.SetTimer(3, 20);
        main.EndDialog(IDOK);
    });
    main.DoModal();
    main.PostMessage(WM_COMMAND, 150, 0);
    ProcessEvents(150);
    EXPECT_TRUE(main.timers.empty());
    EXPECT_TRUE(main.commands.empty());
    EXPECT_EQ(main.SetTimer(4, 10), 0u); // no window, no timer
}

} // namespace
