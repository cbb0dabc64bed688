#include "sim/device_simulator.h"

#include "base/byte_order.h"
#include "base/device_time.h"
#include "sim_test_support.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

std::vector<std::uint8_t> ReadChunk(DeviceSimulator& sim, std::uint32_t address, std::uint8_t n) {
    const auto frames = Exchange(sim, protocol::kCmdReadChunk, ChunkHeader(address, n));
    EXPECT_EQ(frames.size(), 1u);
    return frames.empty() ? std::vector<std::uint8_t>{} : Data(frames[0]);
}

int WriteChunk(DeviceSimulator& sim, std::uint32_t address,
               const std::vector<std::uint8_t>& bytes) {
    auto data = ChunkHeader(address, static_cast<std::uint8_t>(bytes.size()));
    data.insert(data.end(), bytes.begin(), bytes.end());
    const auto frames = Exchange(sim, protocol::kCmdWriteChunk, data);
    EXPECT_EQ(frames.size(), 1u);
    return frames.empty() || frames[0].length < 1 ? -1 : frames[0].data[0];
}

} // namespace

TEST(DeviceSimulator, VersionsReplyCarriesNumberAndZeroEndedName) {
    DeviceSimulator sim;
    sim.SetVersion(7, "RE2 \xB3\xF3");
    const auto frames = Exchange(sim, protocol::kCmdReadVersions);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Type(), protocol::kTypeReply);
    EXPECT_EQ(frames[0].Address(), 31);
    EXPECT_EQ(frames[0].command, protocol::kCmdReadVersions);
    EXPECT_EQ(Data(frames[0]), (std::vector<std::uint8_t>{7, 'R', 'E', '2', ' ', 0xB3, 0xF3, 0}));
}

TEST(DeviceSimulator, VersionsReplyCutsANameLongerThanTheFrame) {
    DeviceSimulator sim;
    sim.SetVersion(1, std::string(80, 'x'));
    const auto frames = Exchange(sim, protocol::kCmdReadVersions);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].length, protocol::kMaxData);
    EXPECT_EQ(frames[0].data[61], 'x');
}

TEST(DeviceSimulator, LiveStatusRecordHoldsValuesAndFollowsPosition) {
    DeviceSimulator sim;
    sim.Status().speed = -150;
    sim.Status().inputs = {'A', 'b', '0', '1'};
    sim.Status().outputs = 0x95;
    sim.Status().flags = 1;
    sim.Status().supply = 123;
    Exchange(sim, protocol::kCmdSetPosition, {0x39, 0x30, 0, 0}); // 12345 mm
    const auto frames = Exchange(sim, protocol::kCmdLiveStatus, {0, 0, 0});
    ASSERT_EQ(frames.size(), 1u);
    const auto d = Data(frames[0]);
    ASSERT_EQ(d.size(), protocol::kLiveStatusSize);
    EXPECT_EQ(ReadI16LE(d.data(), d.size(), 0), -150);
    EXPECT_EQ(ReadI32LE(d.data(), d.size(), 4), 12345);
    EXPECT_EQ(ReadI32LE(d.data(), d.size(), 8), 0);
    EXPECT_EQ(std::string(d.begin() + 12, d.begin() + 16), "Ab01");
    EXPECT_EQ(d[16], 0x95);
    EXPECT_EQ(d[17], 1);
    EXPECT_EQ(ReadU16LE(d.data(), d.size(), 18), 123);

    sim.SetProgrammer(true);
    const auto programmer = Data(Exchange(sim, protocol::kCmdLiveStatus, {0, 0, 0}).at(0));
    EXPECT_EQ(ReadI32LE(programmer.data(), programmer.size(), 8), -1);
}

TEST(DeviceSimulator, ClockSetByCommand38RunsOnFromThePcClock) {
    DeviceSimulator sim;
    std::int64_t pc = DeviceTimeToCalendar(MakeDeviceTime(2024, 3, 10, 12, 0, 0));
    sim.SetTimeSource([&pc] { return pc; });
    const t_device_time set = MakeDeviceTime(2009, 12, 2, 9, 5, 7);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&set);
    ASSERT_EQ(Exchange(sim, protocol::kCmdSetClock, {bytes, bytes + 7}).size(), 1u);

    pc += 65;
    const auto frames = Exchange(sim, protocol::kCmdReadClock);
    ASSERT_EQ(frames.size(), 1u);
    t_device_time read;
    ASSERT_TRUE(ReadDeviceTime(frames[0].data, frames[0].length, 0, read));
    EXPECT_EQ(read, MakeDeviceTime(2009, 12, 2, 9, 6, 12));
}

TEST(DeviceSimulator, ClockKeepsItsTimeWhenTheSetRecordIsShortOrInvalid) {
    DeviceSimulator sim;
    sim.SetTimeSource([] { return std::int64_t{1700000000}; });
    EXPECT_EQ(Exchange(sim, protocol::kCmdSetClock, {1, 2, 3}).size(), 1u);
    EXPECT_EQ(Exchange(sim, protocol::kCmdSetClock, {0, 0, 0, 0, 0, 0, 0}).size(), 1u);
    EXPECT_EQ(sim.ClockOffset(), 0);
}

TEST(DeviceSimulator, PositionIsSetAndReadAsSignedMillimetres) {
    DeviceSimulator sim;
    Exchange(sim, protocol::kCmdSetPosition, {0x18, 0xFC, 0xFF, 0xFF}); // -1000
    EXPECT_EQ(sim.Position(), -1000);
    const auto frames = Exchange(sim, protocol::kCmdReadPosition);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Data(frames[0]), (std::vector<std::uint8_t>{0x18, 0xFC, 0xFF, 0xFF}));
}

TEST(DeviceSimulator, StatisticsAreWrittenWholeAndReadBack) {
    DeviceSimulator sim;
    std::vector<std::uint8_t> record(protocol::kStatisticsSize);
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint8_t>(200 + i);
    }
    EXPECT_EQ(Exchange(sim, protocol::kCmdWriteStatistics, record).size(), 1u);
    EXPECT_EQ(Data(Exchange(sim, protocol::kCmdReadStatistics).at(0)), record);

    // A record shorter than 42 bytes changes nothing.
    EXPECT_EQ(Exchange(sim, protocol::kCmdWriteStatistics, {1, 2, 3}).size(), 1u);
    EXPECT_EQ(Data(Exchange(sim, protocol::kCmdReadStatistics).at(0)), record);
}

TEST(DeviceSimulator, ReadChunkGivesAddressCountAndMemoryBytes) {
    DeviceSimulator sim;
    const auto block2 = ReadChunk(sim, protocol::BlockAddress(2), 50);
    ASSERT_EQ(block2.size(), 55u);
    EXPECT_EQ(std::vector<std::uint8_t>(block2.begin(), block2.begin() + 5),
              ChunkHeader(protocol::BlockAddress(2), 50));
    EXPECT_EQ(std::vector<std::uint8_t>(block2.begin() + 5, block2.end()),
              sim.Memory().Bytes(protocol::BlockAddress(2), 50));
    EXPECT_EQ(ReadU16LE(block2.data() + 5, 50, 24), 2000); // route length

    // The last recorder chunk holds the 41 bytes left; the end of the settings area too.
    const auto last = ReadChunk(sim, protocol::kRecorderSize - 41, 57);
    EXPECT_EQ(last[4], 41);
    EXPECT_EQ(last.size(), 46u);
    EXPECT_EQ(ReadChunk(sim, protocol::BlockAddress(5) + 20, 57)[4], 5);
}

TEST(DeviceSimulator, ReadChunkOutsideMemoryOrAboveFrameSizeIsLimited) {
    DeviceSimulator sim;
    EXPECT_EQ(ReadChunk(sim, protocol::kRecorderSize, 10)[4], 0);
    EXPECT_EQ(ReadChunk(sim, 0x0FFFFF, 10)[4], 0);
    EXPECT_EQ(ReadChunk(sim, protocol::kSettingsBase + 333, 10)[4], 0);
    EXPECT_EQ(ReadChunk(sim, 0xFFFFFFF0, 57)[4], 0);
    EXPECT_EQ(ReadChunk(sim, 0, 255)[4], protocol::kChunkData);
    // A request without its count is answered with nothing.
    const auto frames = Exchange(sim, protocol::kCmdReadChunk, {0, 0});
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].data[4], 0);
}

// Chunk writes, written through as the device writes them and staged until command 41.
class ChunkWrites : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { sim.SetStageWrites(GetParam()); }
    bool Staged() const { return GetParam(); }
    DeviceSimulator sim;
};

TEST_P(ChunkWrites, ConfirmedChunkIsInMemoryAtOnceOrWhenItsBlockIsClosed) {
    const std::uint32_t block5 = protocol::BlockAddress(5);
    const auto before = sim.Memory().Bytes(block5, 25);
    const std::vector<std::uint8_t> fresh(25, 0x42);
    EXPECT_EQ(WriteChunk(sim, block5, fresh), 1);
    EXPECT_EQ(sim.Memory().Bytes(block5, 25), Staged() ? before : fresh);
    EXPECT_EQ(sim.Memory().StagedCount(), Staged() ? 25u : 0u);

    // Closing another block leaves the chunk of block 5 where it is.
    ASSERT_EQ(Exchange(sim, protocol::kCmdCloseWrite, {2}).size(), 1u);
    EXPECT_EQ(sim.Memory().Bytes(block5, 25), Staged() ? before : fresh);

    const auto closed = Exchange(sim, protocol::kCmdCloseWrite, {5});
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(Data(closed[0]), std::vector<std::uint8_t>{1});
    EXPECT_EQ(sim.Memory().Bytes(block5, 25), fresh);
    const auto chunk = ReadChunk(sim, block5, 25);
    EXPECT_EQ(std::vector<std::uint8_t>(chunk.begin() + 5, chunk.end()), fresh);
    EXPECT_EQ(sim.Memory().StagedCount(), 0u);
}

TEST_P(ChunkWrites, ResetWithoutReplyDropsOnlyStagedChunks) {
    const auto before = sim.Memory().Bytes(protocol::BlockAddress(2), 50);
    const std::vector<std::uint8_t> fresh(50, 9);
    EXPECT_EQ(WriteChunk(sim, protocol::BlockAddress(2), fresh), 1);
    EXPECT_TRUE(Exchange(sim, protocol::kCmdReset, {}, protocol::kTypeNoReply).empty());
    EXPECT_EQ(sim.ResetCount(), 1u);
    Exchange(sim, protocol::kCmdCloseWrite, {2});
    EXPECT_EQ(sim.Memory().Bytes(protocol::BlockAddress(2), 50), Staged() ? before : fresh);
}

TEST_P(ChunkWrites, RefusedOrRejectedChunkIsAnsweredWithZeroAndWritesNothing) {
    const auto recorder = sim.Memory().Bytes(0, 3);
    const auto settings = sim.Memory().Settings();
    EXPECT_EQ(WriteChunk(sim, 0, {1, 2, 3}), 0);                                // recorder
    EXPECT_EQ(WriteChunk(sim, protocol::kSettingsBase + 330, {1, 2, 3, 4}), 0); // past the end
    // The count promises more bytes than the frame carries.
    auto data = ChunkHeader(protocol::kSettingsBase, 10);
    data.push_back(1);
    EXPECT_EQ(Exchange(sim, protocol::kCmdWriteChunk, data).at(0).data[0], 0);
    // A chunk the device turns down (answer 0) between two it takes.
    sim.AddFault(FaultRule(SimFault::RejectWrite, protocol::kCmdWriteChunk, 2));
    const std::uint32_t block4 = protocol::BlockAddress(4);
    const std::vector<std::uint8_t> ones(57, 1), twos(57, 2), threes(26, 3);
    EXPECT_EQ(WriteChunk(sim, block4, ones), 1);
    EXPECT_EQ(WriteChunk(sim, block4 + 57, twos), 0);
    EXPECT_EQ(WriteChunk(sim, block4 + 114, threes), 1);
    EXPECT_EQ(sim.Memory().StagedCount(), Staged() ? 83u : 0u);
    Exchange(sim, protocol::kCmdCloseWrite, {4});

    EXPECT_EQ(sim.Memory().Bytes(0, 3), recorder);
    auto expected = settings;
    const std::size_t offset = block4 - protocol::kSettingsBase;
    std::copy(ones.begin(), ones.end(), expected.begin() + offset);
    std::copy(threes.begin(), threes.end(), expected.begin() + offset + 114);
    EXPECT_EQ(sim.Memory().Settings(), expected);
}

INSTANTIATE_TEST_SUITE_P(DeviceSimulator, ChunkWrites, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Staged" : "WrittenThrough"; });

TEST(DeviceSimulator, OtherAddressesUnknownCommandsAndTypeZeroGetNoReply) {
    DeviceSimulator sim;
    const auto foreign = EncodeRequest(protocol::kCmdReadVersions, {}, protocol::kTypeReply, 5);
    sim.Receive(foreign.data(), foreign.size());
    EXPECT_FALSE(sim.HasOutput());
    EXPECT_TRUE(Exchange(sim, 99).empty());
    EXPECT_TRUE(
        Exchange(sim, protocol::kCmdSetPosition, {1, 0, 0, 0}, protocol::kTypeNoReply).empty());
    EXPECT_EQ(sim.Position(), 1); // it still took effect

    ASSERT_EQ(sim.Log().size(), 3u);
    EXPECT_FALSE(sim.Log()[0].addressed);
    EXPECT_EQ(sim.Log()[1].number, 1u);
    EXPECT_EQ(sim.RequestCount(), 2u);
    EXPECT_EQ(sim.CommandCount(99), 1u);
    EXPECT_EQ(sim.CommandCount(protocol::kCmdReadVersions), 0u);

    sim.SetAddress(5);
    sim.Receive(foreign.data(), foreign.size());
    EXPECT_EQ(DecodeFrames(TakeChars(sim)).at(0).Address(), 5);
}

TEST(DeviceSimulator, RequestSplitAnywhereIsLoggedWithItsRawCharacters) {
    DeviceSimulator sim;
    std::string input = "noise\r\n";
    const auto request = EncodeRequest(protocol::kCmdReadVersions);
    input.append(request.begin(), request.end());
    for (char c : input) {
        sim.Receive(&c, 1);
    }
    EXPECT_EQ(DecodeFrames(TakeChars(sim)).size(), 1u);
    ASSERT_EQ(sim.Log().size(), 1u);
    EXPECT_EQ(sim.Log()[0].raw, "noise\r\n\n\r:03F921E3");
    EXPECT_EQ(sim.Log()[0].record.command, protocol::kCmdReadVersions);
}

TEST(DeviceSimulator, LogKeepsOnlyTheNewestEntriesButCountsAll) {
    DeviceSimulator sim;
    sim.SetLogLimit(3);
    for (int i = 0; i < 5; ++i) {
        Exchange(sim, protocol::kCmdReadPosition);
    }
    ASSERT_EQ(sim.Log().size(), 3u);
    EXPECT_EQ(sim.Log().front().number, 3u);
    EXPECT_EQ(sim.CommandCount(protocol::kCmdReadPosition), 5u);
    sim.ClearLog();
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_TRUE(sim.Log().empty());
}
