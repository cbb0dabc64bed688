// The operations that need no window, run against a scripted session: no main window, no
// link, no framework. Each case scripts the device's replies and the user's answers and
// compares everything the operation did, in order.
#include "device/device_operations.h"
#include "device/device_session.h"
#include "link/protocol.h"
#include "link/transfer_data.h"
#include "measure/measure_operations.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kDashes(52, '-');
const std::string kNoAnswer = "box! Urządzenie nie odpowiada";
const std::string kReadoutSource = "odczyt z urządzenia ";

// Writes every call into one log: "line" (new line) and "more" (same line) for the
// console, "send" for an exchange (an unscripted one gets no reply), "ask"/"box"/"box!"
// for the user, "read" for a block transfer.
class ScriptedSession : public CDeviceSession {
public:
    std::deque<std::optional<Bytes>> replies;
    std::deque<bool> answers;
    bool blockReadSucceeds = true;
    std::vector<std::string> log;
    std::string partDirectory;

    void ConsoleWrite(const std::string& text, int newLine) override {
        log.push_back((newLine ? "line " : "more ") + text);
    }
    const t_transfer_data* Exchange(int command, const std::uint8_t*, int length) override {
        log.push_back("send " + std::to_string(command) + " (" + std::to_string(length) + ")");
        if (replies.empty() || !replies.front()) {
            if (!replies.empty()) {
                replies.pop_front();
            }
            return nullptr;
        }
        const Bytes data = *replies.front();
        replies.pop_front();
        m_reply = {};
        m_reply.command = static_cast<std::uint8_t>(command);
        m_reply.length = static_cast<std::uint8_t>(data.size());
        std::copy(data.begin(), data.end(), m_reply.data);
        return &m_reply;
    }
    void SendWithoutReply(int command) override {
        log.push_back("send " + std::to_string(command) + ", no reply");
    }
    int DeviceAddress() const override { return 1; }
    bool ReadBlock(int blockId, std::uint8_t* buffer) override {
        log.push_back("read block " + std::to_string(blockId));
        if (blockReadSucceeds) {
            std::fill_n(buffer, protocol::BlockSize(blockId), 0xA5);
        }
        return blockReadSucceeds;
    }
    bool ReadBlockFrom(int blockId, std::uint32_t held, std::uint8_t* buffer,
                       const ChunkFunction&) override {
        log.push_back("read block " + std::to_string(blockId) + " from " + std::to_string(held));
        if (blockReadSucceeds) {
            std::fill(buffer + held, buffer + protocol::BlockSize(blockId), 0xA5);
        }
        return blockReadSucceeds;
    }
    bool ReadChunkList(int, const std::uint8_t*, CChunkSource&, std::uint8_t*) override {
        return false;
    }
    bool ReadBlockQuietly(int blockId, std::uint8_t* buffer) override {
        log.push_back("quiet read block " + std::to_string(blockId));
        std::fill_n(buffer, protocol::BlockSize(blockId), 0xA5);
        return true;
    }
    t_readout_part_folder ReadoutPartFolder() const override {
        return {partDirectory, partDirectory, ""};
    }
    bool WriteBlock(int blockId, const std::uint8_t*) override {
        log.push_back("write block " + std::to_string(blockId));
        return true;
    }
    std::uint8_t* MemoryImage() override { return m_image.data(); }
    const std::string& ImageSource() const override { return m_source; }
    void SetImageSource(const std::string& source) override {
        m_source = source;
        // The readout's time stamp is the PC's; only the text before it is compared.
        const bool readout = source.rfind(kReadoutSource, 0) == 0;
        log.push_back("source " + (readout ? kReadoutSource + "<time>" : source));
    }
    bool AskYesNo(const std::string& question) override {
        log.push_back("ask " + question);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return yes;
    }
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        log.push_back((icon == MessageIcon::Exclamation ? "box! " : "box ") + text);
    }
    CWnd* ParentWindow() override { return nullptr; }

private:
    t_transfer_data m_reply;
    Bytes m_image = Bytes(protocol::kRecorderSize, 0);
    std::string m_source;
};

struct t_session_case {
    const char* name;
    std::function<void(CDeviceSession&)> operation;
    std::vector<std::optional<Bytes>> replies;
    std::vector<bool> answers;
    std::vector<std::string> expected;
    bool blockReadSucceeds = true;
};

// 2024-03-05 14:07:09 as the device sends it.
const Bytes kClockReply = {9, 7, 14, 5, 3, 0xE8, 0x07};
const std::string kClockQuestion =
    "ask Czas w urządzeniu: 2024.03.05  14:07.09    \r\n\r\nCzy ustawić czas z komputera PC ?";

void Versions(CDeviceSession& s) {
    ShowVersions(s, "RE2 terminal 1.0");
}

const std::vector<std::string> kVersionsHead = {"line Odczyt wersji", "send 33 (0)",
                                                "line " + kDashes +
                                                    "\r\nWersja terminala : \r\nRE2 terminal 1.0"};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The device is named before its memory is read: 0xA5A5 is the factory number of a block
// of 0xA5 bytes.
const std::vector<std::string> kReadoutHead = {
    "line Odczyt rejestratora", "send 33 (0)", "quiet read block 2",
    "line Urządzenie RE2, wersja  7, nr fabryczny 42405"};

const t_session_case kCases[] = {
    {"versions",
     Versions,
     {Bytes{7, 'D', 'x', 0, 'z'}},
     {},
     Join(kVersionsHead,
          {"line Wersja urządzenia : ", "line Dx", "more , wersja  7", "line " + kDashes})},
    {"versions_no_reply", Versions, {std::nullopt}, {}, Join(kVersionsHead, {kNoAnswer})},
    {"versions_reply_without_data", Versions, {Bytes{}}, {}, Join(kVersionsHead, {kNoAnswer})},
    {"clock_set_on_yes",
     UpdateClock,
     {kClockReply, Bytes{}},
     {true},
     {"line Odczyt czasu", "send 37 (0)", kClockQuestion, "line Zapis czasu", "send 38 (7)"}},
    {"clock_kept_on_no",
     UpdateClock,
     {kClockReply},
     {false},
     {"line Odczyt czasu", "send 37 (0)", kClockQuestion}},
    {"clock_short_reply",
     UpdateClock,
     {Bytes(6, 1)},
     {},
     {"line Odczyt czasu", "send 37 (0)", kNoAnswer}},
    {"clock_setting_unanswered",
     UpdateClock,
     {kClockReply, std::nullopt},
     {true},
     {"line Odczyt czasu", "send 37 (0)", kClockQuestion, "line Zapis czasu", "send 38 (7)",
      kNoAnswer}},
    {"reset_on_yes", ResetDevice, {}, {true}, {"ask Na pewno?", "send 0, no reply"}},
    {"reset_kept_on_no", ResetDevice, {}, {false}, {"ask Na pewno?"}},
    {"recorder_readout",
     ReadRecorder,
     {Bytes{7, 'R', 'E', '2', 0}},
     {},
     Join(kReadoutHead, {"read block 0 from 0", "source " + kReadoutSource + "<time>"})},
    {"recorder_readout_failed",
     ReadRecorder,
     {Bytes{7, 'R', 'E', '2', 0}},
     {},
     Join(kReadoutHead, {"read block 0 from 0"}),
     false},
    {"recorder_readout_of_a_silent_device",
     ReadRecorder,
     {std::nullopt},
     {},
     {"line Odczyt rejestratora", "send 33 (0)", kNoAnswer}},
};

class DeviceSession : public ::testing::TestWithParam<t_session_case> {};

TEST_P(DeviceSession, OperationDoesWhatTheScriptExpects) {
    const t_session_case& c = GetParam();
    char folder[] = "/tmp/re2-session-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    ScriptedSession session;
    session.partDirectory = std::string(folder) + "/";
    session.replies.assign(c.replies.begin(), c.replies.end());
    session.answers.assign(c.answers.begin(), c.answers.end());
    session.blockReadSucceeds = c.blockReadSucceeds;
    c.operation(session);
    EXPECT_EQ(session.log, c.expected);
    EXPECT_TRUE(session.replies.empty()) << "replies left unasked";
    EXPECT_TRUE(session.answers.empty()) << "answers left unused";
    std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(WithoutWindow, DeviceSession, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
