#include "cli/cli_report.h"

#include "base/shown_text.h"
#include "base/system_error_text.h"

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <ostream>
#include <utility>

namespace {

constexpr char kPrefix[] = "re2-device: ";

} // namespace

void CCliReport::Error(const std::string& code, const std::string& text) {
    m_errorTold = true;
    if (m_json) {
        const nlohmann::json error = {{"error", code}, {"message", text}};
        // A text need not be valid UTF-8 (a file's bytes): such bytes become U+FFFD.
        m_err << error.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        m_err << kPrefix << ShownText(text) << '\n';
    }
    m_err.flush();
}

void CCliReport::OutputFailed(int error) {
    if (std::exchange(m_outputFailed, true) || error == EPIPE) {
        return;
    }
    Error(cli_error::kOutput,
          std::string("zapis na standardowe wyjście: ") + SystemErrorText(error));
}

void CCliReport::Notice(const std::string& text) {
    if (!m_quiet) {
        m_err << kPrefix << ShownText(text) << '\n' << std::flush;
    }
}
