#include "link/trace_file.h"

#include "base/descriptor_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kTraceMode = 0600;
constexpr char kTraceStem[] = "ruch-lacza-";
constexpr char kTraceExtension[] = ".txt";
constexpr char kOlderSuffix[] = ".1";
// Names tried for traces started within the same second.
constexpr int kMaxSameSecond = 9;

std::string Reason(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

std::string Stamp(std::time_t start) {
    std::tm local{};
    char stamp[32] = "";
    if (localtime_r(&start, &local) != nullptr) {
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H%M%S", &local);
    }
    return stamp;
}

} // namespace

std::unique_ptr<CTraceFile> CTraceFile::Open(const std::string& path, TraceFileMode mode,
                                             std::string& error, std::uint64_t limit) {
    // Not blocking at the open: a FIFO without a reader is refused rather than waited for.
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    flags |= mode == TraceFileMode::New ? O_EXCL | O_NOFOLLOW : O_TRUNC;
    const int fd = ::open(path.c_str(), flags, kTraceMode);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        const int e = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        error = Reason(path, e);
        errno = e;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const bool regular = S_ISREG(info.st_mode);
    return std::unique_ptr<CTraceFile>(new CTraceFile(
        fd, path, regular, regular ? static_cast<std::uint64_t>(info.st_size) : 0, limit));
}

CTraceFile::CTraceFile(int fd, std::string path, bool bounded, std::uint64_t size,
                       std::uint64_t limit)
    : m_fd(fd), m_path(std::move(path)), m_bounded(bounded), m_size(size), m_limit(limit) {}

CTraceFile::~CTraceFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool CTraceFile::Write(std::string_view text) {
    if (m_fd < 0) {
        return false;
    }
    if (m_bounded && m_size > 0 && m_size + text.size() > m_limit && !StartAnew()) {
        return false;
    }
    if (!WriteAll(m_fd, text.data(), text.size())) {
        m_failure = Reason(m_path, errno);
        return false;
    }
    m_size += text.size();
    return true;
}

bool CTraceFile::StartAnew() {
    const std::string older = m_path + kOlderSuffix;
    if (::rename(m_path.c_str(), older.c_str()) == 0) {
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              kTraceMode);
        if (fd < 0) {
            m_failure = Reason(m_path, errno);
            ::close(m_fd);
            m_fd = -1;
            return false;
        }
        ::close(m_fd);
        m_fd = fd;
        m_size = 0;
        return true;
    }
    // The folder takes no second file: the bound is kept in the one file.
    if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) {
        m_failure = Reason(m_path, errno);
        return false;
    }
    m_size = 0;
    return true;
}

std::string TraceFileName(std::time_t start) {
    return kTraceStem + Stamp(start) + kTraceExtension;
}

std::unique_ptr<CTraceFile> OpenTraceFileIn(const t_readout_part_folder& folder, std::time_t start,
                                            std::string& error) {
    if (std::string problem = PrepareReadoutPartFolder(folder); !problem.empty()) {
        error = problem;
        return nullptr;
    }
    const std::string name = TraceFileName(start);
    const std::string stem =
        folder.directory + name.substr(0, name.size() - (sizeof kTraceExtension - 1));
    for (int n = 1; n <= kMaxSameSecond; ++n) {
        std::string path = stem;
        if (n > 1) {
            path += '-';
            path += std::to_string(n);
        }
        path += kTraceExtension;
        std::unique_ptr<CTraceFile> file = CTraceFile::Open(path, TraceFileMode::New, error);
        if (file || errno != EEXIST) {
            return file;
        }
    }
    return nullptr;
}
