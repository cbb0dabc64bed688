#include "export/re2_export.h"

#include "measure/measurement_file.h"
#include "measure/recorded_samples.h"
#include "measure/samples_csv.h"

#include "base/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ostream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kUsage[] =
    "usage: re2-export [--dialect pl|c] [--summary] [-o OUT.csv] FILE.qz\n"
    "Writes the samples recorded in a measurement file (as the terminal saves a recorder\n"
    "readout) as CSV: one row per sample with its run number, its date and time\n"
    "(YYYY-MM-DD HH:MM:SS, local time of this PC), speed in m/s and position in metres.\n"
    "Each run the recorder took stays whole: sample i of a run was taken i seconds after\n"
    "its start.\n"
    "\n"
    "  --dialect pl   separator ';' and a decimal comma, for spreadsheets set to Polish\n"
    "                 (the default)\n"
    "  --dialect c    standard CSV: separator ',' and a decimal point\n"
    "  --summary      one row per run instead: its first and last sample time, sample\n"
    "                 count, highest speed, lowest and highest position\n"
    "  -o OUT.csv     write to OUT.csv instead of standard output; a file is replaced\n"
    "                 only once all of it is written (one with other hard links, of\n"
    "                 another owner or in a folder you may not write to is written\n"
    "                 in place); a pipe, a terminal or a device (/dev/stdout) is\n"
    "                 written to as it is\n"
    "  --help         this text\n"
    "\n"
    "The first row names the columns (przebieg, czas, predkosc [m/s], polozenie [m]; with\n"
    "--summary przebieg, poczatek, koniec, probki, max predkosc [m/s], min polozenie [m],\n"
    "max polozenie [m]). Lines end in CRLF; the text is UTF-8 without a byte-order mark.\n"
    "\n"
    "Exit status: 0 written; 1 FILE cannot be read, is not a measurement file (exactly\n"
    "475136 bytes), or the output cannot be written; 2 wrong usage.\n";

constexpr char kNotSampleFile[] = "To nie jest plik z probkami";

struct Options {
    CsvDialect dialect = CsvDialect::Polish;
    bool summary = false;
    bool toFile = false;
    std::string output;
    std::string input;
};

enum class Parse { Run, Help, Wrong };

int WrongUsage(std::ostream& err, const std::string& message) {
    err << "re2-export: " << message << '\n' << kUsage;
    return 2;
}

bool SetDialect(std::string_view name, Options& options) {
    if (name == "pl") {
        options.dialect = CsvDialect::Polish;
    } else if (name == "c") {
        options.dialect = CsvDialect::Standard;
    } else {
        return false;
    }
    return true;
}

Parse ParseArguments(int argc, char** argv, Options& options, std::string& problem) {
    bool haveInput = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (!isOption) {
            if (haveInput) {
                problem = "one measurement file only";
                return Parse::Wrong;
            }
            options.input = arg;
            haveInput = true;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            return Parse::Help;
        } else if (arg == "--summary") {
            options.summary = true;
        } else if (arg == "--dialect" || arg == "-o") {
            if (i + 1 == argc) {
                problem = std::string(arg) + " needs a value";
                return Parse::Wrong;
            }
            const std::string_view value = argv[++i];
            if (arg == "-o") {
                options.output = value;
                options.toFile = true;
            } else if (!SetDialect(value, options)) {
                problem = "unknown dialect '" + std::string(value) + "' (pl or c)";
                return Parse::Wrong;
            }
        } else if (arg.starts_with("--dialect=")) {
            if (!SetDialect(arg.substr(10), options)) {
                problem = "unknown dialect '" + std::string(arg.substr(10)) + "' (pl or c)";
                return Parse::Wrong;
            }
        } else {
            problem = "unknown option " + std::string(arg);
            return Parse::Wrong;
        }
    }
    if (!haveInput) {
        problem = "no measurement file given";
        return Parse::Wrong;
    }
    if (options.toFile && options.output.empty()) {
        problem = "-o needs a file name";
        return Parse::Wrong;
    }
    return Parse::Run;
}

// The system's reason for the failure that left error behind; fallback when the failing
// step set none (a check of our own refused it).
std::string Reason(int error, int fallback) {
    return std::strerror(error != 0 ? error : fallback);
}

int Fail(std::ostream& err, const std::string& what, const std::string& reason) {
    err << "re2-export: " << what << ": " << reason << '\n';
    return 1;
}

enum class Straight { NotTried, Written, Failed };

// Writes text to path as a shell's redirection would when path names something that is not
// a regular file (a pipe, a terminal, /dev/stdout): there is nothing to replace. NotTried
// for a regular file, a directory or a name that does not exist, which the safe save
// takes. Failed leaves errno set.
Straight WriteStraight(const std::string& path, const std::string& text) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) {
        return Straight::NotTried;
    }
    // Blocks on a FIFO until it has a reader, as the redirection does.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return Straight::Failed;
    }
    const bool known = fstat(fd, &info) == 0;
    if (!known || S_ISREG(info.st_mode)) {
        // A regular file put there meanwhile is saved safely after all.
        const int error = errno;
        ::close(fd);
        errno = error;
        return known ? Straight::NotTried : Straight::Failed;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n == 0 ? EIO : errno;
            ::close(fd);
            errno = error;
            return Straight::Failed;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 || errno == EINTR ? Straight::Written : Straight::Failed;
}

} // namespace

int ExportMain(int argc, char** argv, std::ostream& out, std::ostream& err) {
    Options options;
    std::string problem;
    switch (ParseArguments(argc, argv, options, problem)) {
    case Parse::Help:
        out << kUsage;
        out.flush();
        return out ? 0 : 1;
    case Parse::Wrong:
        return WrongUsage(err, problem);
    case Parse::Run:
        break;
    }

    std::vector<std::uint8_t> image;
    LoadError loadError = LoadError::None;
    errno = 0;
    if (!LoadMeasurementFile(options.input, image, loadError)) {
        if (loadError == LoadError::WrongLength) {
            return Fail(err, options.input, kNotSampleFile);
        }
        // The loader refuses a directory after opening it, without a reason of the system.
        const int error = errno;
        struct stat info;
        const bool directory = ::stat(options.input.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        return Fail(err, options.input, Reason(error, directory ? EISDIR : EIO));
    }

    const std::vector<t_recorded_run> runs = RecordedRuns(image.data(), image.size());
    const std::string text =
        options.summary ? RunsSummaryCsv(runs, options.dialect) : SamplesCsv(runs, options.dialect);
    if (options.toFile) {
        errno = 0;
        const Straight straight = WriteStraight(options.output, text);
        if (straight == Straight::Failed ||
            (straight == Straight::NotTried &&
             !WriteFileAtomically(options.output,
                                  reinterpret_cast<const std::uint8_t*>(text.data()),
                                  text.size()))) {
            return Fail(err, options.output, Reason(errno, EIO));
        }
        return 0;
    }
    errno = 0;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
        return Fail(err, "standard output", Reason(errno, EIO));
    }
    return 0;
}
