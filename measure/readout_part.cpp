#include "measure/readout_part.h"

#include "base/byte_order.h"
#include "base/crc32.h"
#include "base/descriptor_io.h"
#include "base/folder_entries.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kPartPrefix[] = "odczyt-";
constexpr char kPartSuffix[] = ".part";

// Record: kind (1), payload length (2, LE), payload, CRC-32 (4, LE) of all before it.
constexpr std::size_t kRecordHead = 3;
constexpr std::size_t kRecordCrc = 4;
constexpr std::uint8_t kKindHeader = 'H';
constexpr std::uint8_t kKindChunk = 'C';
constexpr std::uint8_t kKindEnd = 'E';

// Header payload: magic (4), format (1), address (1), version (1), factory number (2, LE),
// name length (1), name.
constexpr std::array<std::uint8_t, 4> kMagic = {'R', 'E', '2', 'P'};
constexpr std::uint8_t kFormat = 1;
constexpr std::size_t kHeaderFixed = 10;
// Chunk payload: memory address (4, LE), bytes. End payload: time of the cut (8, LE).
constexpr std::size_t kChunkAddress = 4;
constexpr std::size_t kEndPayload = 8;

constexpr std::int64_t kWriteIntervalMs = 1000;

void PutLE(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Appends one whole record to out.
void PutRecord(std::vector<std::uint8_t>& out, std::uint8_t kind,
               const std::vector<std::uint8_t>& payload) {
    const std::size_t start = out.size();
    out.push_back(kind);
    PutLE(out, payload.size(), 2);
    out.insert(out.end(), payload.begin(), payload.end());
    PutLE(out, Crc32(out.data() + start, out.size() - start), 4);
}

void PutChunks(std::vector<std::uint8_t>& out, std::uint32_t address,
               const std::vector<std::uint8_t>& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t n = std::min(kPartChunkMaxBytes, bytes.size() - done);
        std::vector<std::uint8_t> payload;
        payload.reserve(kChunkAddress + n);
        PutLE(payload, address + done, 4);
        payload.insert(payload.end(), bytes.begin() + done, bytes.begin() + done + n);
        PutRecord(out, kKindChunk, payload);
        done += n;
    }
}

std::vector<std::uint8_t> HeaderPayload(const t_readout_identity& identity) {
    const std::size_t nameBytes = std::min(identity.name.size(), kPartNameMaxBytes);
    std::vector<std::uint8_t> payload(kMagic.begin(), kMagic.end());
    payload.push_back(kFormat);
    payload.push_back(identity.address & protocol::kAddressMask);
    payload.push_back(identity.version);
    PutLE(payload, identity.factoryNumber, 2);
    payload.push_back(static_cast<std::uint8_t>(nameBytes));
    payload.insert(payload.end(), identity.name.begin(), identity.name.begin() + nameBytes);
    return payload;
}

bool ParseHeader(const std::uint8_t* p, std::size_t n, t_readout_identity& identity) {
    if (n < kHeaderFixed || !std::equal(kMagic.begin(), kMagic.end(), p) || p[4] != kFormat) {
        return false;
    }
    const std::size_t nameBytes = p[9];
    if (nameBytes > kPartNameMaxBytes || n != kHeaderFixed + nameBytes ||
        p[5] > protocol::kAddressMask) {
        return false;
    }
    identity.address = p[5];
    identity.version = p[6];
    identity.factoryNumber = ReadU16LE(p, n, 7);
    identity.name.assign(reinterpret_cast<const char*>(p + kHeaderFixed), nameBytes);
    return true;
}

// The record at offset, when it lies whole in the data and its CRC checks.
bool NextRecord(const std::uint8_t* data, std::size_t size, std::size_t offset, std::uint8_t& kind,
                const std::uint8_t*& payload, std::size_t& length) {
    if (!FitsIn(size, offset, kRecordHead)) {
        return false;
    }
    length = ReadU16LE(data, size, offset + 1);
    const std::size_t whole = kRecordHead + length + kRecordCrc;
    if (!FitsIn(size, offset, whole)) {
        return false;
    }
    const std::size_t crcAt = offset + kRecordHead + length;
    if (Crc32(data + offset, crcAt - offset) != ReadU32LE(data, size, crcAt)) {
        return false;
    }
    kind = data[offset];
    payload = data + offset + kRecordHead;
    return true;
}

// O_NONBLOCK: a FIFO under a part's name must not stop the program at its open.
constexpr int kOpenFlags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;

// A regular file of this user that no one else may write: one another user could have
// written holds bytes that no device sent.
bool IsOwnPrivateFile(int fd) {
    struct stat info;
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The bytes of the regular file open as fd, from its start, at most kPartFileMaxBytes.
bool ReadRegularFile(int fd, std::vector<std::uint8_t>& bytes, std::int64_t& modificationTime) {
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    modificationTime = static_cast<std::int64_t>(info.st_mtim.tv_sec);
    bytes.clear();
    std::array<std::uint8_t, 65536> buffer;
    for (off_t offset = 0; bytes.size() < kPartFileMaxBytes;) {
        const std::size_t want = std::min(buffer.size(), kPartFileMaxBytes - bytes.size());
        const ssize_t got = pread(fd, buffer.data(), want, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
        offset += got;
    }
    return true;
}

bool IsPartName(const std::string& name) {
    const std::string prefix = kPartPrefix;
    const std::string suffix = kPartSuffix;
    return name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) &&
           name.ends_with(suffix);
}

} // namespace

std::string ReadoutPartPath(const std::string& directory, std::uint16_t factoryNumber) {
    return directory + kPartPrefix + std::to_string(factoryNumber) + kPartSuffix;
}

// --- Reading -------------------------------------------------------------------------

bool ParseReadoutPart(const std::uint8_t* data, std::size_t size, std::int64_t modificationTime,
                      t_readout_part& part) {
    std::uint8_t kind = 0;
    const std::uint8_t* payload = nullptr;
    std::size_t length = 0;
    t_readout_part read;
    if (data == nullptr || !NextRecord(data, size, 0, kind, payload, length) ||
        kind != kKindHeader || !ParseHeader(payload, length, read.identity)) {
        return false;
    }
    read.cutTime = modificationTime;
    std::size_t offset = kRecordHead + length + kRecordCrc;
    read.chunksEnd = offset;
    while (NextRecord(data, size, offset, kind, payload, length)) {
        if (kind == kKindEnd && length == kEndPayload) {
            const std::uint64_t low = ReadU32LE(payload, length, 0);
            const std::uint64_t high = ReadU32LE(payload, length, 4);
            read.cutTime = static_cast<std::int64_t>(low | (high << 32));
            read.ended = true;
            break;
        }
        if (kind != kKindChunk || length <= kChunkAddress ||
            length - kChunkAddress > kPartChunkMaxBytes) {
            break;
        }
        const std::uint64_t address = ReadU32LE(payload, length, 0);
        const std::size_t count = length - kChunkAddress;
        if (address != read.bytes.size() || address + count > protocol::kRecorderSize) {
            break;
        }
        read.bytes.insert(read.bytes.end(), payload + kChunkAddress, payload + length);
        offset += kRecordHead + length + kRecordCrc;
        read.chunksEnd = offset;
    }
    part = std::move(read);
    return true;
}

bool ReadReadoutPart(const std::string& path, t_readout_part& part) {
    const int fd = ::open(path.c_str(), O_RDONLY | kOpenFlags);
    if (fd < 0) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::int64_t modificationTime = 0;
    const bool read = IsOwnPrivateFile(fd) && ReadRegularFile(fd, bytes, modificationTime);
    ::close(fd);
    return read && ParseReadoutPart(bytes.data(), bytes.size(), modificationTime, part);
}

bool IsReadoutPartInUse(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | kOpenFlags);
    if (fd < 0) {
        return false;
    }
    // Taken and given back at once: only a holder elsewhere makes it fail.
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

bool IsReadoutPartFresh(std::int64_t cutTime, std::int64_t now) {
    // Written this way so that no subtraction of two untrusted times can overflow.
    return cutTime > now - kPartLifetimeSeconds && cutTime < now + kPartLifetimeSeconds;
}

// --- Removing ------------------------------------------------------------------------

bool RemoveReadoutPart(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
        return false;
    }
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

std::vector<std::string> StaleReadoutParts(const std::string& directory, std::int64_t now) {
    std::vector<std::string> stale;
    for (const std::string& path : FolderEntries(directory, IsPartName)) {
        const int fd = ::open(path.c_str(), O_RDONLY | kOpenFlags);
        if (fd < 0) {
            continue;
        }
        std::vector<std::uint8_t> bytes;
        std::int64_t modificationTime = 0;
        const bool regular = ReadRegularFile(fd, bytes, modificationTime);
        ::close(fd);
        if (!regular) {
            continue;
        }
        t_readout_part part;
        if (ParseReadoutPart(bytes.data(), bytes.size(), modificationTime, part) &&
            !IsReadoutPartFresh(part.cutTime, now)) {
            stale.push_back(path);
        }
    }
    return stale;
}

int RemoveStaleReadoutParts(const std::string& directory, std::int64_t now) {
    int removed = 0;
    for (const std::string& path : StaleReadoutParts(directory, now)) {
        removed += ::unlink(path.c_str()) == 0 ? 1 : 0;
    }
    return removed;
}

// --- Writing -------------------------------------------------------------------------

CReadoutPartWriter::~CReadoutPartWriter() {
    Flush();
    Close();
}

void CReadoutPartWriter::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool CReadoutPartWriter::Open(const std::string& path, int flags) {
    Flush();
    Close();
    m_failed = false;
    m_held = m_written = 0;
    m_fileLength = 0;
    m_pending.clear();
    m_clockStarted = false;
    m_error = 0;
    m_fd = ::open(path.c_str(), flags | kOpenFlags, 0600);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    struct stat info;
    if (fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        m_error = S_ISDIR(info.st_mode) ? EISDIR : EPERM;
        Close();
        return false;
    }
    // Two readouts of devices with one factory number (a mistake on a bench) would write
    // one part; the second is refused before it changes a byte of it.
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        m_error = errno == EWOULDBLOCK ? EWOULDBLOCK : errno;
        Close();
        return false;
    }
    return true;
}

bool CReadoutPartWriter::Create(const std::string& path, const t_readout_identity& identity) {
    if (!Open(path, O_WRONLY | O_CREAT)) {
        return false;
    }
    // A part replaced in place keeps no old bytes, and no one else may read the new ones;
    // fchmod fails harmlessly on a file of another owner, which this user cannot share.
    fchmod(m_fd, S_IRUSR | S_IWUSR);
    std::vector<std::uint8_t> header;
    PutRecord(header, kKindHeader, HeaderPayload(identity));
    if (ftruncate(m_fd, 0) != 0) {
        m_error = errno;
        Close();
        return false;
    }
    if (!WriteRecords(header)) {
        Close();
        return false;
    }
    return true;
}

bool CReadoutPartWriter::Continue(const std::string& path, const t_readout_identity& device,
                                  t_readout_part& part) {
    if (!Open(path, O_RDWR)) {
        return false;
    }
    // The part is read through the descriptor it is continued in, so the bytes checked are
    // the bytes appended to.
    std::vector<std::uint8_t> bytes;
    std::int64_t modificationTime = 0;
    t_readout_part read;
    if (!ReadRegularFile(m_fd, bytes, modificationTime) ||
        !ParseReadoutPart(bytes.data(), bytes.size(), modificationTime, read) ||
        !(read.identity == device) || ftruncate(m_fd, static_cast<off_t>(read.chunksEnd)) != 0 ||
        lseek(m_fd, static_cast<off_t>(read.chunksEnd), SEEK_SET) < 0) {
        Close();
        return false;
    }
    m_held = m_written = static_cast<std::uint32_t>(read.bytes.size());
    m_fileLength = read.chunksEnd;
    part = std::move(read);
    return true;
}

bool CReadoutPartWriter::Append(std::uint32_t address, const std::uint8_t* bytes, std::size_t n,
                                std::int64_t nowMs) {
    if (m_fd < 0 || m_failed || address != m_held || (bytes == nullptr && n > 0) ||
        n > protocol::kRecorderSize - address) {
        return false;
    }
    m_pending.insert(m_pending.end(), bytes, bytes + n);
    m_held += static_cast<std::uint32_t>(n);
    if (!m_clockStarted) {
        m_clockStarted = true;
        m_lastWriteMs = nowMs;
        return true;
    }
    // A clock that went back counts as a second passed, so writes never stop for good.
    if (nowMs - m_lastWriteMs < kWriteIntervalMs && nowMs >= m_lastWriteMs) {
        return true;
    }
    m_lastWriteMs = nowMs;
    return Flush();
}

bool CReadoutPartWriter::Flush() {
    if (m_fd < 0 || m_failed) {
        return false;
    }
    if (m_pending.empty()) {
        return true;
    }
    std::vector<std::uint8_t> records;
    PutChunks(records, m_written, m_pending);
    if (!WriteRecords(records)) {
        return false;
    }
    m_written += static_cast<std::uint32_t>(m_pending.size());
    m_pending.clear();
    return true;
}

bool CReadoutPartWriter::End(std::int64_t cutTime) {
    std::vector<std::uint8_t> payload;
    PutLE(payload, static_cast<std::uint64_t>(cutTime), 8);
    std::vector<std::uint8_t> end;
    PutRecord(end, kKindEnd, payload);
    bool ended = Flush() && WriteRecords(end);
    if (ended && fsync(m_fd) != 0) {
        m_error = errno;
        ended = false;
    }
    Close();
    return ended;
}

bool CReadoutPartWriter::WriteRecords(const std::vector<std::uint8_t>& records) {
    errno = 0;
    if (WriteAll(m_fd, records.data(), records.size())) {
        m_fileLength += records.size();
        return true;
    }
    // A torn record would end the part where it lies, and everything written after it
    // would be lost to the reader: cut it off and write no more.
    m_error = errno != 0 ? errno : EIO;
    m_failed = true;
    if (ftruncate(m_fd, static_cast<off_t>(m_fileLength)) == 0) {
        lseek(m_fd, static_cast<off_t>(m_fileLength), SEEK_SET);
    }
    m_pending.clear();
    return false;
}
