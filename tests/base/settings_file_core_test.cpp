#include "base/atomic_file.h"
#include "base/settings_file.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void TearDown() override { SetAtomicWriteFunctionForTest(nullptr); }
    TemporaryDirectory m_temporary{"re2_settings_"};
    const std::string m_dir = m_temporary.Path();
    const std::string m_path = m_temporary.PathOf("config.cfg");
};

const std::vector<std::uint8_t> kPort3 = {3, 0, 0, 0, 0x00, 0xE1, 0, 0, 31, 0, 0, 0};

TEST(SettingsRecordBytes, ThreeLittleEndianIntegersWithDefaults) {
    SettingsRecord s;
    EXPECT_EQ(s.portNumber, 1);
    EXPECT_EQ(s.baudRate, 57600);
    EXPECT_EQ(s.deviceAddress, 31);
    ASSERT_TRUE(ParseSettings(kPort3.data(), kPort3.size(), s));
    EXPECT_EQ(s.portNumber, 3);
    EXPECT_EQ(s.baudRate, 57600);
    std::uint8_t out[12];
    EncodeSettings(s, out);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 12), kPort3);
    SettingsRecord untouched;
    untouched.portNumber = 5;
    EXPECT_FALSE(ParseSettings(kPort3.data(), 11, untouched));
    EXPECT_EQ(untouched.portNumber, 5);
}

TEST_F(SettingsFile, TwelveOrMoreBytesAreReadElseRefused) {
    SettingsRecord s;
    EXPECT_FALSE(ReadSettingsFile(m_path, s)); // missing

    WriteBytes(m_path, std::vector<std::uint8_t>(kPort3.begin(), kPort3.begin() + 11));
    EXPECT_FALSE(ReadSettingsFile(m_path, s));
    EXPECT_EQ(s.portNumber, 1);

    std::vector<std::uint8_t> longer = kPort3;
    longer.resize(1 << 20, 0x55);
    WriteBytes(m_path, longer);
    ASSERT_TRUE(ReadSettingsFile(m_path, s));
    EXPECT_EQ(s.portNumber, 3);
    EXPECT_EQ(s.deviceAddress, 31);
}

TEST_F(SettingsFile, DirectoryIsNotASettingsFile) {
    fs::create_directory(m_path);
    SettingsRecord s;
    EXPECT_FALSE(ReadSettingsFile(m_path, s));
    EXPECT_FALSE(WriteSettingsFile(m_path, s));
    EXPECT_EQ(m_temporary.EntryCount(), 1u);
}

TEST_F(SettingsFile, WrittenFileReadsBackAndReplacesTheOldOne) {
    WriteBytes(m_path, std::vector<std::uint8_t>(40, 0xAA));
    SettingsRecord s;
    s.portNumber = 4;
    ASSERT_TRUE(WriteSettingsFile(m_path, s));
    EXPECT_EQ(ReadBytes(m_path),
              (std::vector<std::uint8_t>{4, 0, 0, 0, 0x00, 0xE1, 0, 0, 31, 0, 0, 0}));
    EXPECT_EQ(m_temporary.EntryCount(), 1u);
}

ssize_t DiskFullAfterFiveBytes(int fd, const void* buffer, std::size_t count) {
    if (count > 5) {
        return ::write(fd, buffer, 5);
    }
    errno = ENOSPC;
    return -1;
}

TEST_F(SettingsFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    WriteBytes(m_path, kPort3);
    SetAtomicWriteFunctionForTest(DiskFullAfterFiveBytes);
    SettingsRecord s;
    s.portNumber = 6;
    EXPECT_FALSE(WriteSettingsFile(m_path, s));
    EXPECT_EQ(ReadBytes(m_path), kPort3);
    EXPECT_EQ(m_temporary.EntryCount(), 1u);
}

TEST_F(SettingsFile, ReadOnlyFolderRefusesTheWrite) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "needs a normal user: permissions do not stop root";
    }
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteSettingsFile(m_path, SettingsRecord{}));
}

TEST_F(SettingsFile, MissingFolderRefusesTheWrite) {
    EXPECT_FALSE(WriteSettingsFile(m_dir + "/none/config.cfg", SettingsRecord{}));
}

} // namespace
