#include "cli/progress_line.h"

#include "link/protocol.h"

#include <ostream>

namespace {

constexpr std::int64_t kWholeLineIntervalMs = 10000;
// Clears the rest of the line after the text written over a longer one.
constexpr char kClearToEnd[] = "\x1b[K";

} // namespace

void CProgressLine::Update(std::int64_t nowMs, std::uint32_t done, std::uint32_t total) {
    // The rate keeps the total it was made with: only the recorder's may make it.
    if (!m_shown || total != protocol::kRecorderSize) {
        return;
    }
    if (!m_rate) {
        m_rate = std::make_unique<CTransferRate>(total);
    }
    if (!m_rate->Update(nowMs, done)) {
        return;
    }
    if (m_cursorMoves) {
        m_err << '\r' << m_rate->Text() << kClearToEnd << std::flush;
        m_written = true;
    } else if (m_lastLineMs < 0 || nowMs - m_lastLineMs >= kWholeLineIntervalMs || done == total) {
        m_err << m_rate->Text() << '\n' << std::flush;
        m_lastLineMs = nowMs;
    }
}

void CProgressLine::Finish() {
    if (m_written) {
        m_err << '\n' << std::flush;
        m_written = false;
    }
}
