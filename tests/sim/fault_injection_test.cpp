#include "sim/device_simulator.h"

#include "sim_test_support.h"

#include <gtest/gtest.h>

#include <functional>

using namespace simtest;

namespace {

// Sends `count` requests of the command and gives, for each, whether a reply came.
std::vector<bool> Answered(DeviceSimulator& sim, int command, int count) {
    std::vector<bool> answered;
    for (int i = 0; i < count; ++i) {
        answered.push_back(!Exchange(sim, command).empty());
    }
    return answered;
}

} // namespace

TEST(FaultInjection, DropsTheReplyToTheNthRequestFromNowOn) {
    DeviceSimulator sim;
    Exchange(sim, protocol::kCmdReadPosition);
    sim.DropReply(kAnyCommand, 2);
    EXPECT_EQ(Answered(sim, protocol::kCmdReadPosition, 4),
              (std::vector<bool>{true, false, true, true}));
    EXPECT_EQ(sim.RepliesLost(), 1u);
    EXPECT_EQ(sim.CommandCount(protocol::kCmdReadPosition), 5u); // still received and logged
}

TEST(FaultInjection, DropsEveryReplyToACommandOrOnlyItsNthRequest) {
    DeviceSimulator sim;
    sim.DropReply(protocol::kCmdReadPosition);
    sim.DropReply(protocol::kCmdLiveStatus, 2);
    EXPECT_EQ(Answered(sim, protocol::kCmdReadPosition, 3),
              (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(Exchange(sim, protocol::kCmdReadStatistics).empty());
    EXPECT_EQ(Answered(sim, protocol::kCmdLiveStatus, 3), (std::vector<bool>{true, false, true}));
    sim.ClearFaults();
    EXPECT_EQ(Answered(sim, protocol::kCmdReadPosition, 1), (std::vector<bool>{true}));
}

TEST(FaultInjection, RandomDropsFollowTheRateAndRepeatWithTheSeed) {
    DeviceSimulator a;
    DeviceSimulator b;
    a.SetRandomDrop(0.3, 77);
    b.SetRandomDrop(0.3, 77);
    const auto first = Answered(a, protocol::kCmdReadPosition, 1000);
    EXPECT_EQ(first, Answered(b, protocol::kCmdReadPosition, 1000));
    const auto lost = std::count(first.begin(), first.end(), false);
    EXPECT_GT(lost, 230);
    EXPECT_LT(lost, 370);
    EXPECT_EQ(a.RepliesLost(), static_cast<std::uint64_t>(lost));
}

TEST(FaultInjection, DamagedRepliesNeverDecodeAndTheNextReplyDoes) {
    for (SimFault fault :
         {SimFault::CorruptChecksum, SimFault::StrayColon, SimFault::FlipCharacter}) {
        DeviceSimulator sim(3);
        sim.AddFault(FaultRule(fault, protocol::kCmdReadChunk));
        std::vector<std::uint8_t> chars;
        for (std::uint32_t address = 0; address < 200 * 57; address += 57) {
            const auto request = EncodeRequest(protocol::kCmdReadChunk, ChunkHeader(address, 57));
            sim.Receive(request.data(), request.size());
            const auto reply = TakeChars(sim);
            EXPECT_GT(reply.size(), 100u);
            chars.insert(chars.end(), reply.begin(), reply.end());
            const auto status = EncodeRequest(protocol::kCmdLiveStatus, {0, 0, 0});
            sim.Receive(status.data(), status.size());
            const auto good = TakeChars(sim);
            chars.insert(chars.end(), good.begin(), good.end());
        }
        // Only the 200 status replies come through, however the chunk replies were damaged.
        const auto frames = DecodeFrames(chars);
        EXPECT_EQ(frames.size(), 200u) << static_cast<int>(fault);
        for (const auto& frame : frames) {
            EXPECT_EQ(frame.command, protocol::kCmdLiveStatus);
        }
        EXPECT_EQ(sim.RepliesLost(), 200u);
    }
}

TEST(FaultInjection, NoiseBetweenFramesLeavesEveryFrameReadable) {
    DeviceSimulator sim(5);
    sim.SetNoiseBetweenFrames(30);
    std::vector<std::uint8_t> chars;
    for (int i = 0; i < 300; ++i) {
        const auto request = EncodeRequest(protocol::kCmdReadPosition);
        sim.Receive(request.data(), request.size());
        const auto reply = TakeChars(sim);
        chars.insert(chars.end(), reply.begin(), reply.end());
    }
    EXPECT_EQ(std::count(chars.begin(), chars.end(), ':'), 300);
    EXPECT_GT(chars.size(), 300u * 19 + 2000); // noise came along
    EXPECT_EQ(DecodeFrames(chars).size(), 300u);
}

TEST(FaultInjection, DelayAppliesToEveryReply) {
    DeviceSimulator sim;
    sim.SetReplyDelayMs(250);
    const auto request = EncodeRequest(protocol::kCmdReadVersions);
    sim.Receive(request.data(), request.size());
    const auto out = sim.TakeOutput();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].delayMs, 250);
}

TEST(FaultInjection, TypeTwoRunEndsWithTheFinalReply) {
    DeviceSimulator sim;
    t_fault_rule rule = FaultRule(SimFault::MoreReplies, protocol::kCmdReadStatistics, 1);
    rule.count = 3;
    sim.AddFault(rule);
    const auto frames = Exchange(sim, protocol::kCmdReadStatistics);
    ASSERT_EQ(frames.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(frames[i].Type(), protocol::kTypeMoreReplies);
        EXPECT_EQ(Data(frames[i]), Data(frames[3]));
    }
    EXPECT_EQ(frames[3].Type(), protocol::kTypeReply);
    EXPECT_EQ(Exchange(sim, protocol::kCmdReadStatistics).size(), 1u); // the rule is spent
}

TEST(FaultInjection, TextLinesGoOutBeforeAReplyAndOnDemand) {
    DeviceSimulator sim;
    t_fault_rule rule = FaultRule(SimFault::TextBeforeReply, protocol::kCmdReadClock);
    rule.text = "Zegar \xB3\xB9";
    sim.AddFault(rule);
    const auto frames = Exchange(sim, protocol::kCmdReadClock);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].Type(), protocol::kTypeNoReply);
    EXPECT_EQ(Data(frames[0]),
              (std::vector<std::uint8_t>{'Z', 'e', 'g', 'a', 'r', ' ', 0xB3, 0xB9, 0}));
    EXPECT_EQ(frames[1].Type(), protocol::kTypeReply);
    EXPECT_EQ(frames[1].command, protocol::kCmdReadClock);

    sim.SendText(std::string(70, 'a'));
    const auto text = DecodeFrames(TakeChars(sim));
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].Type(), protocol::kTypeNoReply);
    EXPECT_EQ(text[0].length, protocol::kMaxData); // cut to what a frame holds
}

TEST(FaultInjection, SilentDeviceLogsRequestsButAnswersNothing) {
    DeviceSimulator sim;
    sim.SetSilent(true);
    EXPECT_EQ(Answered(sim, protocol::kCmdReadVersions, 3),
              (std::vector<bool>{false, false, false}));
    EXPECT_EQ(sim.RequestCount(), 3u);
    // Requests still take effect while the answers are missing.
    Exchange(sim, protocol::kCmdSetPosition, {5, 0, 0, 0});
    EXPECT_EQ(sim.Position(), 5);
    sim.SetSilent(false);
    EXPECT_EQ(Answered(sim, protocol::kCmdReadVersions, 1), (std::vector<bool>{true}));
}

TEST(FaultInjection, LineGoesAwayAtTheNthRequestWhichStillTakesEffect) {
    struct Case {
        t_fault_rule rule;          // at the second set
        std::vector<bool> answered; // the 4 position reads after the set
        bool cutAsked;
    };
    const Case cases[] = {
        {FaultRule(SimFault::FallSilent, protocol::kCmdSetPosition, 2),
         {false, false, false, false},
         false},
        {TimedFaultRule(SimFault::SilentFor, 600000, protocol::kCmdSetPosition, 2),
         {false, false, false, false},
         false},
        {FaultRule(SimFault::CutLine, protocol::kCmdSetPosition, 2),
         {true, true, true, true},
         true},
    };
    for (const Case& c : cases) {
        DeviceSimulator sim;
        sim.AddFault(c.rule);
        EXPECT_EQ(Exchange(sim, protocol::kCmdSetPosition, {1, 0, 0, 0}).size(), 1u);
        EXPECT_FALSE(sim.TakeLineCut());
        EXPECT_TRUE(Exchange(sim, protocol::kCmdSetPosition, {7, 0, 0, 0}).empty());
        EXPECT_EQ(sim.Position(), 7);
        EXPECT_EQ(sim.TakeLineCut(), c.cutAsked);
        EXPECT_FALSE(sim.TakeLineCut()); // asked once
        EXPECT_EQ(Answered(sim, protocol::kCmdReadPosition, 4), c.answered);
    }
}

TEST(FaultInjection, TimedFaultsAndAMissingEchoShapeTheReadReplies) {
    struct Case {
        const char* name;
        std::function<void(DeviceSimulator&)> setUp;
        // Five reads a second apart: for each, how late its reply goes out; -1: no reply.
        std::vector<int> delays;
        bool echoes;
    };
    const Case cases[] = {
        {"silent for 2.5 s from the second read",
         [](DeviceSimulator& d) {
             d.AddFault(TimedFaultRule(SimFault::SilentFor, 2500, protocol::kCmdReadChunk, 2));
         },
         {0, -1, -1, -1, 0},
         true},
        {"the third reply 3 s later than the others",
         [](DeviceSimulator& d) {
             d.SetReplyDelayMs(100);
             d.AddFault(TimedFaultRule(SimFault::DelayReply, 3000, protocol::kCmdReadChunk, 3));
         },
         {100, 100, 3100, 100, 100},
         true},
        {"no address echo",
         [](DeviceSimulator& d) { d.SetEchoesAddress(false); },
         {0, 0, 0, 0, 0},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceSimulator sim(9);
        std::int64_t nowMs = 5'000'000;
        sim.SetSteadyClock([&nowMs] { return nowMs; });
        c.setUp(sim);
        for (std::size_t i = 0; i < c.delays.size(); ++i, nowMs += 1000) {
            const std::uint32_t address = 1000 + 57 * static_cast<std::uint32_t>(i);
            const auto request = EncodeRequest(protocol::kCmdReadChunk, ChunkHeader(address, 57));
            sim.Receive(request.data(), request.size());
            const auto out = sim.TakeOutput();
            ASSERT_EQ(out.size(), c.delays[i] < 0 ? 0u : 1u) << "read " << i;
            if (out.empty()) {
                continue;
            }
            EXPECT_EQ(out[0].delayMs, c.delays[i]) << "read " << i;
            const auto frames = DecodeFrames(out[0].bytes);
            ASSERT_EQ(frames.size(), 1u);
            const auto data = Data(frames[0]);
            auto expected = ChunkHeader(c.echoes ? address : 0, 57);
            const auto memory = sim.Memory().Bytes(address, 57);
            expected.insert(expected.end(), memory.begin(), memory.end());
            EXPECT_EQ(data, expected) << "read " << i;
        }
        EXPECT_FALSE(sim.Silent());
    }
}
