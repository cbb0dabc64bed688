#include "export/re2_export.h"

#include "measure/samples_csv.h"
#include "tests/support/file_bytes.h"
#include "tests/support/recorder_image_builder.h"
#include "tests/support/temporary_directory.h"
#include "tests/support/warsaw_time_zone.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result Export(std::vector<std::string> args, std::ostream* out = nullptr) {
    args.insert(args.begin(), "re2-export");
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::ostringstream text;
    std::ostringstream err;
    const int status =
        ExportMain(static_cast<int>(args.size()), argv.data(), out ? *out : text, err);
    return {status, text.str(), err.str()};
}

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class ExportCommand : public WarsawTimeZone {
protected:
    void SetUp() override {
        WarsawTimeZone::SetUp();
        RecorderImageBuilder b;
        b.Start(2009, 12, 2, 9, 5, 7).Sample(12, 100).Sample(14, 101);
        b.Start(2009, 12, 2, 10, 0, 0).Sample(3, 90).End();
        m_image = b.Image();
        m_runs = RecordedRuns(m_image.data(), m_image.size());
        WriteBytes(m_dir.PathOf("good.qz"), m_image);
        WriteBytes(m_dir.PathOf("short.qz"), std::vector<std::uint8_t>(m_image.size() - 1));
        WriteBytes(m_dir.PathOf("long.qz"), std::vector<std::uint8_t>(m_image.size() + 1));
    }

    TemporaryDirectory m_dir;
    std::vector<std::uint8_t> m_image;
    std::vector<t_recorded_run> m_runs;
};

TEST_F(ExportCommand, ExitStatusesAndTexts) {
    const std::string good = m_dir.PathOf("good.qz");
    const std::string samplesPl = SamplesCsv(m_runs, CsvDialect::Polish);
    const std::string samplesC = SamplesCsv(m_runs, CsvDialect::Standard);
    const std::string summaryPl = RunsSummaryCsv(m_runs, CsvDialect::Polish);
    const std::string summaryC = RunsSummaryCsv(m_runs, CsvDialect::Standard);
    const std::string notSamples = "To nie jest plik z probkami\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out; // exactly, or "usage" for the usage text
        std::string err; // ends with this, or "usage" for a line and the usage text
    };
    const Case cases[] = {
        {{good}, 0, samplesPl, ""},
        {{"--dialect", "pl", good}, 0, samplesPl, ""},
        {{"--dialect", "c", good}, 0, samplesC, ""},
        {{"--summary", good}, 0, summaryPl, ""},
        {{good, "--dialect=c", "--summary"}, 0, summaryC, ""},
        {{"--", good}, 0, samplesPl, ""},
        {{"--help"}, 0, "usage", ""},
        {{m_dir.PathOf("short.qz")}, 1, "", m_dir.PathOf("short.qz") + ": " + notSamples},
        {{"--summary", m_dir.PathOf("long.qz")}, 1, "", notSamples},
        {{m_dir.PathOf("missing.qz")}, 1, "", std::string(std::strerror(ENOENT)) + "\n"},
        {{m_dir.Path()}, 1, "", std::string(std::strerror(EISDIR)) + "\n"},
        {{}, 2, "", "usage"},
        {{good, good}, 2, "", "usage"},
        {{"--dialect", "en", good}, 2, "", "usage"},
        {{"--dialect=", good}, 2, "", "usage"},
        {{good, "--dialect"}, 2, "", "usage"},
        {{good, "-o"}, 2, "", "usage"},
        {{"-o", "", good}, 2, "", "usage"},
        {{"--csv", good}, 2, "", "usage"},
    };
    for (const Case& c : cases) {
        std::string args;
        for (const std::string& arg : c.args) {
            args += " " + arg;
        }
        SCOPED_TRACE("re2-export" + args);
        const Result r = Export(c.args);
        EXPECT_EQ(r.status, c.status);
        if (c.out == "usage") {
            EXPECT_TRUE(r.out.starts_with("usage: re2-export [--dialect pl|c] [--summary] "
                                          "[-o OUT.csv] FILE.qz\n"));
            for (const char* part : {"--dialect pl", "--dialect c", "--summary", "-o OUT.csv",
                                     "CRLF", "Exit status"}) {
                EXPECT_NE(r.out.find(part), std::string::npos) << part;
            }
        } else {
            EXPECT_EQ(r.out, c.out);
        }
        if (c.err == "usage") {
            EXPECT_TRUE(r.err.starts_with("re2-export: ")) << r.err;
            EXPECT_NE(r.err.find("\nusage: re2-export "), std::string::npos) << r.err;
        } else if (c.err.empty()) {
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_TRUE(r.err.starts_with("re2-export: ")) << r.err;
            EXPECT_TRUE(r.err.ends_with(c.err)) << r.err;
        }
    }
}

TEST_F(ExportCommand, OutputFileGetsAllOrNothing) {
    const std::string good = m_dir.PathOf("good.qz");
    const std::string out = m_dir.PathOf("out.csv");

    // Written whole, the same bytes standard output gets; an existing file is replaced.
    WriteBytes(out, {'o', 'l', 'd'});
    Result r = Export({"--summary", "--dialect", "c", "-o", out, good});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(Text(ReadBytes(out)), Export({"--summary", "--dialect", "c", good}).out);

    // A refused input leaves the output as it was; no file is made where there was none.
    WriteBytes(out, {'o', 'l', 'd'});
    EXPECT_EQ(Export({"-o", out, m_dir.PathOf("short.qz")}).status, 1);
    EXPECT_EQ(Text(ReadBytes(out)), "old");
    EXPECT_EQ(Export({"-o", m_dir.PathOf("new.csv"), m_dir.PathOf("short.qz")}).status, 1);

    // An output that cannot be written fails with the system's reason and leaves nothing.
    r = Export({"-o", m_dir.PathOf("no/such/dir.csv"), good});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "re2-export: " + m_dir.PathOf("no/such/dir.csv") + ": " +
                         std::strerror(ENOENT) + "\n");
    r = Export({"-o", m_dir.Path(), good});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.ends_with(std::string(std::strerror(EISDIR)) + "\n")) << r.err;
    EXPECT_EQ(m_dir.EntryCount(), 4u); // good, short, long, out: no new or temporary file

    // Standard output that takes nothing is a failure too.
    std::ostream broken(nullptr);
    r = Export({good}, &broken);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.starts_with("re2-export: standard output: ")) << r.err;
}

// What is not a regular file is written to as it is, as a shell's redirection writes it.
TEST_F(ExportCommand, OutputThatIsNoRegularFileIsWrittenStraight) {
    const std::string good = m_dir.PathOf("good.qz");
    const std::string csv = Export({"--dialect", "c", good}).out;
    ASSERT_FALSE(csv.empty());
    int pipeEnds[2];
    ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK), 0);
    // A FIFO with its reader open first, so that the writer's open does not wait.
    const std::string fifo = m_dir.PathOf("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int fifoReader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fifoReader, 0);
    struct Case {
        const char* name;
        std::string output;
        int reader; // -1: nothing to read back
    };
    const Case cases[] = {
        {"pipe", "/proc/self/fd/" + std::to_string(pipeEnds[1]), pipeEnds[0]},
        {"FIFO", fifo, fifoReader},
        {"device", "/dev/null", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Export({"--dialect", "c", "-o", c.output, good});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out + r.err, "");
        if (c.reader >= 0) {
            std::string got(csv.size() + 1, '\0');
            const ssize_t n = ::read(c.reader, got.data(), got.size());
            got.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
            EXPECT_EQ(got, csv);
        }
    }
    for (const int fd : {pipeEnds[0], pipeEnds[1], fifoReader}) {
        ::close(fd);
    }
    EXPECT_EQ(m_dir.EntryCount(), 4u); // good, short, long, fifo: no temporary file
}

TEST_F(ExportCommand, FilesTheUserMayNotUseAreRefusedWithTheSystemsReason) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "needs a normal user: permissions do not stop root";
    }
    const std::string locked = m_dir.PathOf("locked.qz");
    WriteBytes(locked, m_image);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    const std::string reason = std::string(std::strerror(EACCES)) + "\n";
    Result r = Export({locked});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "re2-export: " + locked + ": " + reason);

    const std::string shut = m_dir.PathOf("shut");
    ASSERT_EQ(mkdir(shut.c_str(), 0555), 0);
    r = Export({"-o", shut + "/out.csv", m_dir.PathOf("good.qz")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "re2-export: " + shut + "/out.csv: " + reason);
    EXPECT_TRUE(std::filesystem::is_empty(shut));
}

} // namespace
