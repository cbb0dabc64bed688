#include "test_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> calls;

class Transfer : public CCmdTarget {
public:
    void OnConnect() { calls.push_back("transfer:connect"); }
    void OnFrame() { calls.push_back("transfer:101"); }
    const AFX_MSGMAP* GetMessageMap() const override {
        static const AFX_MSGMAP map = AFX_MSGMAP::Of<Transfer>(
            CCmdTarget::GetThisMessageMap(), {
                                                 OnCommandEntry(1000, &Transfer::OnConnect),
                                                 OnCommandEntry(101, &Transfer::OnFrame),
                                             });
        return &map;
    }
};

class Queue : public CCmdTarget {
public:
    void OnDone() { calls.push_back("queue:103"); }
    void OnFrame() { calls.push_back("queue:101"); }
    const AFX_MSGMAP* GetMessageMap() const override {
        static const AFX_MSGMAP map = AFX_MSGMAP::Of<Queue>(
            CCmdTarget::GetThisMessageMap(), {
                                                 OnCommandEntry(103, &Queue::OnDone),
                                                 OnCommandEntry(101, &Queue::OnFrame),
                                             });
        return &map;
    }
};

class BaseWindow : public CDialog {
public:
    BaseWindow() : CDialog(fwtest::kPlainDialog) {}
    void OnBaseCommand() { calls.push_back("base:1005"); }
    static const AFX_MSGMAP* GetThisMessageMap() {
        static const AFX_MSGMAP map = AFX_MSGMAP::Of<BaseWindow>(
            CDialog::GetThisMessageMap(), {
                                              OnCommandEntry(1005, &BaseWindow::OnBaseCommand),
                                          });
        return &map;
    }
    const AFX_MSGMAP* GetMessageMap() const override { return GetThisMessageMap(); }
};

class MainWindow : public BaseWindow {
public:
    Transfer transfer;
    Queue queue;
    void OnStatistics() { calls.push_back("main:1049"); }
    void OnFrame() { calls.push_back("main:101"); }
    void OnRange(UINT id) { calls.push_back("main:range" + std::to_string(id)); }
    void OnOK() override { calls.push_back("main:OnOK"); }

    BOOL OnCmdMsg(UINT id, int code, void* extra, void* info) override {
        if (transfer.OnCmdMsg(id, code, extra, info))
            return TRUE;
        if (queue.OnCmdMsg(id, code, extra, info))
            return TRUE;
        return BaseWindow::OnCmdMsg(id, code, extra, info);
    }
    const AFX_MSGMAP* GetMessageMap() const override {
        static const AFX_MSGMAP map =
            AFX_MSGMAP::Of<MainWindow>(BaseWindow::GetThisMessageMap(),
                                       {
                                           OnCommandEntry(1049, &MainWindow::OnStatistics),
                                           OnCommandEntry(101, &MainWindow::OnFrame),
                                           OnCommandRangeEntry(2000, 2002, &MainWindow::OnRange),
                                       });
        return &map;
    }
};

class MessageMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        fwtest::RegisterTestTemplates();
        calls.clear();
    }
};

TEST_F(MessageMapTest, CommandsAreOfferedToOtherTargetsFirstThenToTheWindow) {
    MainWindow w;
    w.SendMessage(WM_COMMAND, 101, 0);  // transfer takes it before queue and window
    w.SendMessage(WM_COMMAND, 103, 0);  // only the queue has it
    w.SendMessage(WM_COMMAND, 1000, 0); // the connect button reaches the transfer
    w.SendMessage(WM_COMMAND, 1049, 0); // the window's own handler
    w.SendMessage(WM_COMMAND, 1005, 0); // the base class's map
    w.SendMessage(WM_COMMAND, 2001, 0); // a range entry gets the id
    EXPECT_EQ(calls, (std::vector<std::string>{"transfer:101", "queue:103", "transfer:connect",
                                               "main:1049", "base:1005", "main:range2001"}));
}

TEST_F(MessageMapTest, IdOkWithoutOwnEntryCallsVirtualOnOkAndUnknownCommandsAreIgnored) {
    MainWindow w;
    EXPECT_FALSE(w.OnCmdMsg(4242, 0, nullptr, nullptr));
    w.SendMessage(WM_COMMAND, 4242, 0);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(w.OnCmdMsg(IDOK, 0, nullptr, nullptr));
    EXPECT_EQ(calls, std::vector<std::string>{"main:OnOK"});
}

TEST_F(MessageMapTest, ControlNotificationCodesDoNotMatchPlainCommandEntries) {
    MainWindow w;
    w.SendMessage(WM_COMMAND, MAKEWPARAM(1049, EN_CHANGE), 0);
    EXPECT_TRUE(calls.empty());
}

} // namespace
