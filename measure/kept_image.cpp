#include "measure/kept_image.h"

#include "base/byte_order.h"
#include "base/crc32.h"
#include "base/descriptor_io.h"
#include "base/folder_entries.h"
#include "link/protocol.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kPrefix[] = "obraz-";
constexpr char kSuffix[] = ".img";
// Magic (4), format (1), address (1), version (1), factory number (2), name length (1),
// name, read time (8), full readout time (8), repeats (4), image, CRC-32 (4); numbers LE.
constexpr std::array<std::uint8_t, 4> kMagic = {'R', 'E', '2', 'K'};
constexpr std::uint8_t kFormat = 1;
constexpr std::size_t kFixedHead = 10;
constexpr std::size_t kTimes = 8 + 8 + 4;
constexpr std::size_t kCrc = 4;
constexpr std::size_t kMaxFileBytes =
    kFixedHead + kPartNameMaxBytes + kTimes + protocol::kRecorderSize + kCrc;
constexpr int kOpenFlags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;

void PutLE(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::uint64_t ReadLE(const std::uint8_t* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | p[i];
    }
    return value;
}

bool IsKeptImageName(const std::string& name) {
    const std::size_t prefix = sizeof kPrefix - 1;
    const std::size_t suffix = sizeof kSuffix - 1;
    return name.size() > prefix + suffix && name.compare(0, prefix, kPrefix) == 0 &&
           name.compare(name.size() - suffix, suffix, kSuffix) == 0;
}

// The file open as fd, when it is this user's own regular file that no one else may
// change and no longer than a kept image can be.
bool ReadOwnFile(int fd, std::vector<std::uint8_t>& bytes) {
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & (S_IWGRP | S_IWOTH)) != 0 || info.st_size < 0 ||
        static_cast<std::uint64_t>(info.st_size) > kMaxFileBytes) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(info.st_size));
    return ReadUpTo(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

} // namespace

std::string KeptImagePath(const std::string& directory, std::uint16_t factoryNumber) {
    return directory + kPrefix + std::to_string(factoryNumber) + kSuffix;
}

std::vector<std::uint8_t> EncodeKeptImage(const t_kept_image& kept) {
    std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
    const std::size_t nameBytes = std::min(kept.identity.name.size(), kPartNameMaxBytes);
    out.push_back(kFormat);
    out.push_back(kept.identity.address & protocol::kAddressMask);
    out.push_back(kept.identity.version);
    PutLE(out, kept.identity.factoryNumber, 2);
    out.push_back(static_cast<std::uint8_t>(nameBytes));
    out.insert(out.end(), kept.identity.name.begin(), kept.identity.name.begin() + nameBytes);
    PutLE(out, static_cast<std::uint64_t>(kept.readoutTime), 8);
    PutLE(out, static_cast<std::uint64_t>(kept.fullReadoutTime), 8);
    PutLE(out, kept.repeats, 4);
    std::vector<std::uint8_t> image = kept.image;
    image.resize(protocol::kRecorderSize);
    out.insert(out.end(), image.begin(), image.end());
    PutLE(out, Crc32(out.data(), out.size()), 4);
    return out;
}

bool ParseKeptImage(const std::uint8_t* data, std::size_t size, t_kept_image& kept) {
    if (size < kFixedHead || !std::equal(kMagic.begin(), kMagic.end(), data) ||
        data[4] != kFormat) {
        return false;
    }
    const std::size_t nameBytes = data[9];
    if (nameBytes > kPartNameMaxBytes ||
        size != kFixedHead + nameBytes + kTimes + protocol::kRecorderSize + kCrc ||
        Crc32(data, size - kCrc) != ReadLE(data + size - kCrc, 4)) {
        return false;
    }
    t_kept_image read;
    read.identity.address = data[5];
    read.identity.version = data[6];
    read.identity.factoryNumber = static_cast<std::uint16_t>(ReadLE(data + 7, 2));
    read.identity.name.assign(reinterpret_cast<const char*>(data + kFixedHead), nameBytes);
    const std::uint8_t* times = data + kFixedHead + nameBytes;
    read.readoutTime = static_cast<std::int64_t>(ReadLE(times, 8));
    read.fullReadoutTime = static_cast<std::int64_t>(ReadLE(times + 8, 8));
    read.repeats = static_cast<std::uint32_t>(ReadLE(times + 16, 4));
    read.image.assign(times + kTimes, times + kTimes + protocol::kRecorderSize);
    kept = std::move(read);
    return true;
}

CKeptImageHolder::~CKeptImageHolder() {
    Release();
}

void CKeptImageHolder::Release() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool CKeptImageHolder::Read(const std::string& path, t_kept_image& kept, bool& heldElsewhere) {
    Release();
    heldElsewhere = false;
    const int fd = ::open(path.c_str(), O_RDONLY | kOpenFlags);
    if (fd < 0) {
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadOwnFile(fd, bytes) || !ParseKeptImage(bytes.data(), bytes.size(), kept)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool CKeptImageHolder::Write(const std::string& path, const t_kept_image& kept) {
    const std::vector<std::uint8_t> bytes = EncodeKeptImage(kept);
    const std::string folder = FolderOf(path);
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // mkostemp makes the file 0600 whatever the umask.
    bool written = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        errno = error;
        return false;
    }
    // The rename is on the disk once the folder is.
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

int RemoveStaleKeptImages(const std::string& directory, std::int64_t now) {
    int removed = 0;
    for (const std::string& path : FolderEntries(directory, IsKeptImageName)) {
        const int fd = ::open(path.c_str(), O_RDONLY | kOpenFlags);
        if (fd < 0) {
            continue;
        }
        std::vector<std::uint8_t> bytes;
        t_kept_image kept;
        // One in use by another readout is not stale.
        const bool check = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ReadOwnFile(fd, bytes) &&
                           ParseKeptImage(bytes.data(), bytes.size(), kept);
        ::close(fd);
        if (check && (kept.readoutTime <= now - kKeptImageLifetimeSeconds ||
                      kept.readoutTime >= now + kKeptImageLifetimeSeconds)) {
            removed += ::unlink(path.c_str()) == 0 ? 1 : 0;
        }
    }
    return removed;
}
