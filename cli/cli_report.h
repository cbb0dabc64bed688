#pragma once
// CCliReport: every line re2-device writes to standard error, in one place. Each starts
// with "re2-device: "; text that came from a device or a file is shown with its control
// characters escaped (base/shown_text.h). With --quiet only errors are written; with
// --json an error is one JSON object on a line of its own: {"error": code, "message":
// text}, the code an ASCII word a script can test.

#include <iosfwd>
#include <string>

class CCliReport {
public:
    CCliReport(std::ostream& err, bool json, bool quiet)
        : m_err(err), m_json(json), m_quiet(quiet) {}

    // A failure of the command, whatever --quiet says.
    void Error(const std::string& code, const std::string& text);
    // A line the user may want to know (a continued readout, the line report): left out
    // with --quiet.
    void Notice(const std::string& text);
    // Standard output could not be written (errno error): told once, and not at all for a
    // closed pipe, whose reader wants no more.
    void OutputFailed(int error);
    // The stream itself, for the progress line.
    std::ostream& Stream() { return m_err; }
    bool Quiet() const { return m_quiet; }
    // Whether an error was written.
    bool ErrorTold() const { return m_errorTold; }

private:
    std::ostream& m_err;
    bool m_json;
    bool m_quiet;
    bool m_errorTold = false;
    bool m_outputFailed = false;
};

// The codes of the errors that are not the port's (link/port_failure_text.h gives those).
namespace cli_error {
constexpr char kUsage[] = "usage";
constexpr char kNoAnswer[] = "no_answer";
constexpr char kDevice[] = "device";
constexpr char kFile[] = "file";
constexpr char kSettingsFile[] = "settings_file";
constexpr char kOtherDevice[] = "other_device";
constexpr char kOutput[] = "output";
constexpr char kConfigDir[] = "config_dir";
constexpr char kSystem[] = "system";
constexpr char kInterrupted[] = "interrupted";
} // namespace cli_error
