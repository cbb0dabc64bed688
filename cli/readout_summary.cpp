#include "cli/readout_summary.h"

#include "base/text_format.h"
#include "link/transfer_rate.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace {

constexpr double kBytesPerKilobyte = 1000.0;

double Seconds(const t_readout_summary& summary) {
    return static_cast<double>(summary.elapsedMs) / 1000.0;
}

// Kilobytes a second; 0 for a readout that took no time or read nothing.
double Rate(const t_readout_summary& summary) {
    return summary.elapsedMs > 0 ? summary.bytesRead / kBytesPerKilobyte / Seconds(summary) : 0;
}

// One decimal with a comma, as the progress line writes its rate.
std::string Tenths(double value) {
    const long long tenths = std::llround(value * 10);
    return Format("%lld,%lld", tenths / 10, tenths % 10);
}

} // namespace

std::string ReadoutEndLine(const t_readout_summary& summary) {
    std::string text = "Odczytano " + FormatByteCount(summary.bytesRead) + " B w " +
                       Tenths(Seconds(summary)) + " s (" + Tenths(Rate(summary)) +
                       " kB/s), powtórzone zapytania: " + std::to_string(summary.retries);
    if (summary.repeat) {
        text += ", tylko nowe pomiary";
    } else if (summary.continuedFrom > 0) {
        text += ", dalszy odczyt od bajtu " + FormatByteCount(summary.continuedFrom);
    } else {
        text += ", od początku";
    }
    return text;
}

void ReadoutJson(const t_readout_summary& summary, nlohmann::json& object) {
    object["path"] = summary.path.empty() ? nlohmann::json(nullptr) : nlohmann::json(summary.path);
    object["bytes"] = summary.bytesRead;
    object["seconds"] = std::round(Seconds(summary) * 1000) / 1000;
    object["rate_kb_s"] = std::round(Rate(summary) * 10) / 10;
    object["retries"] = summary.retries;
    object["continued_from"] =
        summary.continuedFrom > 0 ? nlohmann::json(summary.continuedFrom) : nlohmann::json(nullptr);
    object["repeat"] = summary.repeat;
}
