#include "app/atomic_file.h"
#include "app/settings_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/re2_settings_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_path = m_dir + "/config.cfg";
    }
    void TearDown() override {
        SetAtomicWriteFunctionForTest(nullptr);
        fs::permissions(m_dir, fs::perms::owner_all);
        fs::remove_all(m_dir);
    }
    void WriteBytes(const std::vector<std::uint8_t>& bytes) {
        std::ofstream(m_path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<std::uint8_t> FileBytes() {
        std::ifstream in(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::size_t FilesInDirectory() {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }
    std::string m_dir;
    std::string m_path;
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

    WriteBytes(std::vector<std::uint8_t>(kPort3.begin(), kPort3.begin() + 11));
    EXPECT_FALSE(ReadSettingsFile(m_path, s));
    EXPECT_EQ(s.portNumber, 1);

    std::vector<std::uint8_t> longer = kPort3;
    longer.resize(1 << 20, 0x55);
    WriteBytes(longer);
    ASSERT_TRUE(ReadSettingsFile(m_path, s));
    EXPECT_EQ(s.portNumber, 3);
    EXPECT_EQ(s.deviceAddress, 31);
}

TEST_F(SettingsFile, DirectoryIsNotASettingsFile) {
    fs::create_directory(m_path);
    SettingsRecord s;
    EXPECT_FALSE(ReadSettingsFile(m_path, s));
    EXPECT_FALSE(WriteSettingsFile(m_path, s));
    EXPECT_EQ(FilesInDirectory(), 1u);
}

TEST_F(SettingsFile, WrittenFileReadsBackAndReplacesTheOldOne) {
    WriteBytes(std::vector<std::uint8_t>(40, 0xAA));
    SettingsRecord s;
    s.portNumber = 4;
    ASSERT_TRUE(WriteSettingsFile(m_path, s));
    EXPECT_EQ(FileBytes(), (std::vector<std::uint8_t>{4, 0, 0, 0, 0x00, 0xE1, 0, 0, 31, 0, 0, 0}));
    EXPECT_EQ(FilesInDirectory(), 1u);
}

ssize_t DiskFullAfterFiveBytes(int fd, const void* buffer, std::size_t count) {
    if (count > 5) {
        return ::write(fd, buffer, 5);
    }
    errno = ENOSPC;
    return -1;
}

TEST_F(SettingsFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    WriteBytes(kPort3);
    SetAtomicWriteFunctionForTest(DiskFullAfterFiveBytes);
    SettingsRecord s;
    s.portNumber = 6;
    EXPECT_FALSE(WriteSettingsFile(m_path, s));
    EXPECT_EQ(FileBytes(), kPort3);
    EXPECT_EQ(FilesInDirectory(), 1u);
}

TEST_F(SettingsFile, ReadOnlyFolderRefusesTheWrite) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteSettingsFile(m_path, SettingsRecord{}));
}

TEST_F(SettingsFile, MissingFolderRefusesTheWrite) {
    EXPECT_FALSE(WriteSettingsFile(m_dir + "/none/config.cfg", SettingsRecord{}));
}

} // namespace
