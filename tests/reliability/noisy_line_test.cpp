// A noisy line end to end: the simulator puts random characters and line ends between its
// frames and spoils a few replies (a changed digit, a stray ':', a wrong checksum). Every
// reply the noise did not touch reaches its request exactly once and in order; every spoilt
// one ends its request by the time-out, reported once.

#include "framework/testing/test_seams.h"
#include "link/protocol.h"
#include "tests/reliability/reliability_util.h"
#include "tests/support/terminal_harness.h"

#include <cstring>
#include <gtest/gtest.h>
#include <iostream>
#include <map>

namespace t = afx::testing;
using namespace reliability;

namespace {

constexpr int kRequests = 1500;

// Reads the recorder chunk by chunk, each request sent from the previous one's reply
// handler, and records what each request got.
class CChunkChain {
public:
    CChunkChain(CLWDlg& dlg, const std::vector<std::uint8_t>& recorder)
        : deliveries(kRequests, 0), good(kRequests, false), timedOut(kRequests, false), m_dlg(dlg),
          m_recorder(recorder) {}

    void Start() { Send(); }
    bool Done() const { return m_sent == kRequests && m_current < 0; }

    void OnReply(const t_transfer_data* reply) {
        if (m_current < 0) {
            ++stray; // a delivery with no request waiting: never expected
            return;
        }
        const int i = m_current;
        m_current = -1;
        ++deliveries[i];
        if (reply == nullptr) {
            timedOut[i] = true;
        } else {
            good[i] = IsChunk(*reply, i);
        }
        if (m_sent < kRequests) {
            Send();
        }
    }

    std::vector<int> deliveries;
    std::vector<bool> good;
    std::vector<bool> timedOut;
    int stray = 0;

private:
    static std::uint32_t AddressOf(int i) {
        return static_cast<std::uint32_t>(i) * protocol::kChunkData;
    }
    bool IsChunk(const t_transfer_data& reply, int i) const {
        const std::uint32_t address = AddressOf(i);
        std::uint32_t echoed = 0;
        std::memcpy(&echoed, reply.data, 4);
        return reply.length == protocol::kChunkHeader + protocol::kChunkData && echoed == address &&
               reply.data[4] == protocol::kChunkData &&
               std::memcmp(reply.data + protocol::kChunkHeader, m_recorder.data() + address,
                           protocol::kChunkData) == 0;
    }
    void Send() {
        const std::uint32_t address = AddressOf(m_sent);
        std::uint8_t data[protocol::kChunkHeader];
        std::memcpy(data, &address, 4);
        data[4] = protocol::kChunkData;
        m_current = m_sent++;
        m_dlg.SendRequest(m_dlg.DeviceAddress(), protocol::kTypeReply, protocol::kCmdReadChunk,
                          data, sizeof data,
                          [this](const t_transfer_data* reply) { OnReply(reply); });
    }

    CLWDlg& m_dlg;
    const std::vector<std::uint8_t>& m_recorder;
    int m_sent = 0;
    int m_current = -1;
};

TEST(NoisyLine, CleanRepliesArriveOnceInOrderAndSpoiltOnesTimeOutOnce) {
    TerminalHarness h;
    const auto recorder = Recorder(h);
    // Which requests get a spoilt reply (1-based), and how.
    const std::map<unsigned, SimFault> spoilt = {
        {7, SimFault::FlipCharacter},     {300, SimFault::StrayColon},
        {301, SimFault::CorruptChecksum}, {640, SimFault::FlipCharacter},
        {900, SimFault::StrayColon},      {1111, SimFault::CorruptChecksum},
        {1400, SimFault::FlipCharacter},  {1401, SimFault::StrayColon},
        {1500, SimFault::CorruptChecksum}};
    h.Run([&](CLWDlg& dlg) {
        ASSERT_TRUE(ConnectQuiet(h, dlg));
        h.Sim().WithDevice([&](DeviceSimulator& d) {
            d.ClearLog();
            d.SetNoiseBetweenFrames(24);
            for (const auto& [nth, fault] : spoilt) {
                d.AddFault(FaultRule(fault, protocol::kCmdReadChunk, nth));
            }
        });
        CChunkChain chain(dlg, recorder);
        chain.Start();
        ASSERT_TRUE(t::WaitUntil([&] { return chain.Done(); }, 60000));
        t::ProcessEvents(protocol::kReplyTimeoutMs + 200); // nothing more may come
        int clean = 0;
        for (int i = 0; i < kRequests; ++i) {
            SCOPED_TRACE("request " + std::to_string(i + 1));
            EXPECT_EQ(chain.deliveries[i], 1);
            if (spoilt.count(static_cast<unsigned>(i + 1)) != 0) {
                EXPECT_TRUE(chain.timedOut[i]);
            } else {
                EXPECT_TRUE(chain.good[i]);
                clean += chain.good[i] ? 1 : 0;
            }
        }
        EXPECT_EQ(chain.stray, 0);
        EXPECT_EQ(CommandCount(h, protocol::kCmdReadChunk), static_cast<unsigned>(kRequests));
        std::cout << "[ figures  ] noisy pty: " << clean << " clean replies received once, "
                  << spoilt.size() << " spoilt replies each ended by one time-out\n";
    });
}

} // namespace
