#include "link/transfer_rate.h"

#include "base/text_format.h"

#include <cmath>

namespace {

constexpr std::int64_t kWindowMs = 5000;
constexpr std::int64_t kMinSpanMs = 1000;
constexpr std::int64_t kTextIntervalMs = 250;
// Samples closer than this are not kept in the window: the window stays small however
// often the caller feeds it, and the rate it gives is the same.
constexpr std::int64_t kSampleSpacingMs = 100;
constexpr double kBytesPerKilobyte = 1000.0;
// A longer estimate says nothing a technician can use.
constexpr double kMaxTimeLeftSeconds = 100.0 * 3600;

std::string FormatTimeLeft(long long seconds) {
    if (seconds < 60) {
        return Format("%lld s", seconds);
    }
    if (seconds < 3600) {
        return Format("%lld min %02lld s", seconds / 60, seconds % 60);
    }
    // Hours away, seconds tell nothing; the text also stays within one line of the box.
    const long long minutes = (seconds + 30) / 60;
    return Format("%lld h %02lld min", minutes / 60, minutes % 60);
}

} // namespace

std::string FormatByteCount(std::uint64_t bytes) {
    const std::string digits = std::to_string(bytes);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text.push_back(' ');
        }
        text.push_back(digits[i]);
    }
    return text;
}

bool CTransferRate::Update(std::int64_t nowMs, std::uint64_t bytesDone) {
    const bool fresh = !m_started || bytesDone < m_last.bytes || nowMs < m_last.ms;
    if (fresh) {
        m_window.clear();
    }
    m_last = {nowMs, bytesDone};
    if (m_window.empty() || nowMs - m_window.back().ms >= kSampleSpacingMs) {
        m_window.push_back(m_last);
    }
    // Keep the newest sample at or before the window's start, so the window spans it whole.
    while (m_window.size() >= 2 && m_window[1].ms <= nowMs - kWindowMs) {
        m_window.pop_front();
    }

    bool show = fresh || nowMs - m_shownMs >= kTextIntervalMs;
    if (bytesDone >= m_total && !m_completionShown) {
        m_completionShown = true;
        show = true;
    }
    if (!m_started) {
        m_started = true;
    }
    if (show) {
        m_shownMs = nowMs;
    }
    return show;
}

bool CTransferRate::Rate(double& bytesPerSecond) const {
    if (m_window.empty()) {
        return false;
    }
    const Sample& first = m_window.front();
    const std::int64_t span = m_last.ms - first.ms;
    if (span < kMinSpanMs) {
        return false;
    }
    bytesPerSecond =
        static_cast<double>(m_last.bytes - first.bytes) * 1000.0 / static_cast<double>(span);
    return true;
}

std::string CTransferRate::Text() const {
    if (!m_started) {
        return std::string();
    }
    std::string text = FormatByteCount(m_last.bytes) + " z " + FormatByteCount(m_total) + " B";
    double rate = 0;
    if (!Rate(rate)) {
        return text;
    }
    const long long tenths = std::llround(rate / (kBytesPerKilobyte / 10));
    text += Format(", %lld,%lld kB/s", tenths / 10, tenths % 10);
    if (rate > 0 && m_last.bytes < m_total) {
        const double left = static_cast<double>(m_total - m_last.bytes) / rate;
        if (left <= kMaxTimeLeftSeconds) {
            text += ", zostało ok. " + FormatTimeLeft(std::llround(left));
        }
    }
    return text;
}
