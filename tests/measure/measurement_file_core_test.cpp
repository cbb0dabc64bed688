#include "app/atomic_file.h"
#include "link/protocol.h"
#include "measure/measurement_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class MeasurementFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/re2_measure_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_path = m_dir + "/run.qz";
        m_image.resize(protocol::kRecorderSize);
        for (std::size_t i = 0; i < m_image.size(); ++i) {
            m_image[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
        }
    }
    void TearDown() override {
        SetAtomicWriteFunctionForTest(nullptr);
        fs::permissions(m_dir, fs::perms::owner_all);
        fs::remove_all(m_dir);
    }
    void WriteFile(std::size_t size, std::uint8_t fill) {
        std::vector<char> bytes(size, static_cast<char>(fill));
        std::ofstream(m_path, std::ios::binary).write(bytes.data(), static_cast<long>(size));
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
    std::vector<std::uint8_t> m_image;
};

TEST_F(MeasurementFile, OnlyTheExactImageSizeIsAccepted) {
    std::vector<std::uint8_t> image(protocol::kRecorderSize, 0x11);
    LoadError error = LoadError::None;
    for (std::size_t size :
         {protocol::kRecorderSize - 1, protocol::kRecorderSize + 1, std::size_t{0}}) {
        WriteFile(size, 0x22);
        EXPECT_FALSE(LoadMeasurementFile(m_path, image, error)) << size;
        EXPECT_EQ(error, LoadError::WrongLength);
        EXPECT_EQ(image[0], 0x11);
    }
    WriteFile(protocol::kRecorderSize, 0x22);
    ASSERT_TRUE(LoadMeasurementFile(m_path, image, error));
    EXPECT_EQ(error, LoadError::None);
    EXPECT_EQ(image.size(), protocol::kRecorderSize);
    EXPECT_EQ(image.back(), 0x22);
}

TEST_F(MeasurementFile, MissingDirectoryOrUnreadableFileIsAReadError) {
    std::vector<std::uint8_t> image(protocol::kRecorderSize, 0x11);
    LoadError error = LoadError::None;
    EXPECT_FALSE(LoadMeasurementFile(m_path, image, error));
    EXPECT_EQ(error, LoadError::CannotRead);
    EXPECT_FALSE(LoadMeasurementFile(m_dir, image, error));
    EXPECT_EQ(error, LoadError::CannotRead);
    EXPECT_EQ(image[5], 0x11);
    if (geteuid() != 0) {
        WriteFile(protocol::kRecorderSize, 0x22);
        fs::permissions(m_path, fs::perms::none);
        EXPECT_FALSE(LoadMeasurementFile(m_path, image, error));
        EXPECT_EQ(error, LoadError::CannotRead);
        EXPECT_EQ(image[5], 0x11);
    }
}

TEST_F(MeasurementFile, SavedImageLoadsBackByteForByte) {
    WriteFile(100, 0x33);
    ASSERT_TRUE(SaveMeasurementFile(m_path, m_image.data(), m_image.size()));
    EXPECT_EQ(FileBytes(), m_image);
    std::vector<std::uint8_t> loaded;
    LoadError error;
    ASSERT_TRUE(LoadMeasurementFile(m_path, loaded, error));
    EXPECT_EQ(loaded, m_image);
    EXPECT_EQ(FilesInDirectory(), 1u);
}

ssize_t DiskFullAfter4096Bytes(int fd, const void* buffer, std::size_t count) {
    static thread_local std::size_t total = 0;
    if (total >= 4096) {
        total = 0;
        errno = ENOSPC;
        return -1;
    }
    const std::size_t n = count < 4096 - total ? count : 4096 - total;
    const ssize_t written = ::write(fd, buffer, n);
    if (written > 0) {
        total += static_cast<std::size_t>(written);
    }
    return written;
}

TEST_F(MeasurementFile, DiskFullKeepsTheOldFileWholeAndLeavesNoTemporary) {
    WriteFile(protocol::kRecorderSize, 0x44);
    SetAtomicWriteFunctionForTest(DiskFullAfter4096Bytes);
    EXPECT_FALSE(SaveMeasurementFile(m_path, m_image.data(), m_image.size()));
    const std::vector<std::uint8_t> kept = FileBytes();
    ASSERT_EQ(kept.size(), protocol::kRecorderSize);
    EXPECT_EQ(kept.front(), 0x44);
    EXPECT_EQ(kept.back(), 0x44);
    EXPECT_EQ(FilesInDirectory(), 1u);
}

TEST_F(MeasurementFile, SavingIntoAReadOnlyOrMissingFolderFails) {
    EXPECT_FALSE(SaveMeasurementFile(m_dir + "/none/run.qz", m_image.data(), m_image.size()));
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(SaveMeasurementFile(m_path, m_image.data(), m_image.size()));
}

} // namespace
