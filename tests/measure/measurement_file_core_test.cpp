#include "base/atomic_file.h"
#include "link/protocol.h"
#include "measure/measurement_file.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temporary_directory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class MeasurementFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_image.resize(protocol::kRecorderSize);
        for (std::size_t i = 0; i < m_image.size(); ++i) {
            m_image[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
        }
    }
    void TearDown() override { SetAtomicWriteFunctionForTest(nullptr); }
    void WriteFile(std::size_t size, std::uint8_t fill) {
        WriteBytes(m_path, std::vector<std::uint8_t>(size, fill));
    }
    TemporaryDirectory m_temporary{"re2_measure_"};
    const std::string m_dir = m_temporary.Path();
    const std::string m_path = m_temporary.PathOf("run.qz");
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
    EXPECT_EQ(ReadBytes(m_path), m_image);
    std::vector<std::uint8_t> loaded;
    LoadError error;
    ASSERT_TRUE(LoadMeasurementFile(m_path, loaded, error));
    EXPECT_EQ(loaded, m_image);
    EXPECT_EQ(m_temporary.EntryCount(), 1u);
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
    const std::vector<std::uint8_t> kept = ReadBytes(m_path);
    ASSERT_EQ(kept.size(), protocol::kRecorderSize);
    EXPECT_EQ(kept.front(), 0x44);
    EXPECT_EQ(kept.back(), 0x44);
    EXPECT_EQ(m_temporary.EntryCount(), 1u);
}

TEST_F(MeasurementFile, SavingIntoAReadOnlyOrMissingFolderFails) {
    EXPECT_FALSE(SaveMeasurementFile(m_dir + "/none/run.qz", m_image.data(), m_image.size()));
    if (geteuid() == 0) {
        GTEST_SKIP() << "needs a normal user: permissions do not stop root";
    }
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(SaveMeasurementFile(m_path, m_image.data(), m_image.size()));
}

} // namespace
