#include "export/re2_export.h"

#include "export/export_options.h"

#include "measure/measurement_file.h"
#include "measure/recorded_samples.h"
#include "measure/samples_csv.h"

#include "base/output_file.h"

#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr char kNotSampleFile[] = "To nie jest plik z probkami";

int WrongUsage(std::ostream& err, const std::string& message) {
    err << "re2-export: " << message << '\n' << ExportUsage();
    return 2;
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

} // namespace

int ExportMain(int argc, char** argv, std::ostream& out, std::ostream& err) {
    t_export_options options;
    std::string problem;
    switch (ParseExportOptions(std::vector<std::string>(argv + 1, argv + argc), options, problem)) {
    case ExportParse::Help:
        out << ExportUsage();
        out.flush();
        return out ? 0 : 1;
    case ExportParse::Version:
        out << ExportVersion() << '\n';
        out.flush();
        return out ? 0 : 1;
    case ExportParse::Wrong:
        return WrongUsage(err, problem);
    case ExportParse::Run:
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
        if (!WriteOutputFile(options.output, reinterpret_cast<const std::uint8_t*>(text.data()),
                             text.size())) {
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
