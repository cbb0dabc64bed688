#pragma once
// CTraceFile: the link trace's file, kept to a bound. Once the next lines would take a
// regular file past its limit, it becomes FILE.1 (replacing the one before) and FILE starts
// anew, so a trace takes at most two files of the limit each. Where FILE.1 cannot be made
// (a folder the user may not write), FILE is emptied instead. Anything else (a pipe, a
// terminal, /dev/null) is written as it is, without a bound.
//
// New files get mode 0600: a trace holds the device's memory and settings as they passed.

#include "base/readout_part_folder.h"
#include "link/trace_writer.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

enum class TraceFileMode {
    Replace, // the file the user named: made, or emptied when it is there
    New,     // a file of the program's own: only where nothing has that name yet
};

class CTraceFile : public CTraceWriter {
public:
    static constexpr std::uint64_t kDefaultLimit = 10u * 1024 * 1024;

    // The file at path, opened for the trace; nullptr with the reason in error.
    static std::unique_ptr<CTraceFile> Open(const std::string& path, TraceFileMode mode,
                                            std::string& error,
                                            std::uint64_t limit = kDefaultLimit);
    ~CTraceFile() override;
    CTraceFile(const CTraceFile&) = delete;
    CTraceFile& operator=(const CTraceFile&) = delete;

    bool Write(std::string_view text) override;
    std::string Failure() const override { return m_failure; }
    const std::string& Path() const { return m_path; }

private:
    CTraceFile(int fd, std::string path, bool bounded, std::uint64_t size, std::uint64_t limit);
    // FILE becomes FILE.1 and FILE starts empty; false when neither that nor emptying FILE
    // worked (m_failure says why).
    bool StartAnew();

    int m_fd;
    std::string m_path;
    bool m_bounded;
    std::uint64_t m_size;
    std::uint64_t m_limit;
    std::string m_failure;
};

// "ruch-lacza-2026-12-08_140312.txt": a trace named by its start, in local time.
std::string TraceFileName(std::time_t start);
// A new trace file named by start in folder, made as the parts' folder is (its folders
// mode 0700 and checked to be the user's own); with "-2" to "-9" before the extension when
// another trace took the name already. nullptr with the reason in error.
std::unique_ptr<CTraceFile> OpenTraceFileIn(const t_readout_part_folder& folder, std::time_t start,
                                            std::string& error);
