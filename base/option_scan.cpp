#include "base/option_scan.h"

OptionScan::OptionScan(const std::vector<std::string>& words, const char* shortOptions,
                       const option* longOptions)
    : m_shortOptions(std::string("+:") + shortOptions), m_longOptions(longOptions) {
    m_words.reserve(words.size() + 1);
    m_words.push_back("");
    m_words.insert(m_words.end(), words.begin(), words.end());
    for (std::string& word : m_words) {
        m_argv.push_back(word.data());
    }
    m_argv.push_back(nullptr);
    // 0 rather than 1: glibc starts afresh, forgetting a cluster "-ab" a former scan left
    // half read.
    optind = 0;
    opterr = 0;
}

OptionScan::Item OptionScan::Next() {
    const int argc = static_cast<int>(m_words.size());
    // getopt_long treats 0 as 1 once it has started afresh.
    const int at = optind == 0 ? 1 : optind;
    if (m_operandsOnly) {
        if (at >= argc) {
            return {};
        }
        optind = at + 1;
        return {Kind::Operand, 0, m_words[at]};
    }
    const int c = getopt_long(argc, m_argv.data(), m_shortOptions.c_str(), m_longOptions, nullptr);
    // The word the option came from, for messages: a long option is the whole word, a
    // short one its letter alone.
    const auto written = [&] {
        return m_words[at].starts_with("--") ? m_words[at] : std::string{'-', char(optopt)};
    };
    switch (c) {
    case -1:
        if (optind > at) {
            return {Kind::EndOfOptions, 0, "--"};
        }
        if (at >= argc) {
            return {};
        }
        // The "+" of the option string stops at every operand: step over it and go on.
        optind = at + 1;
        return {Kind::Operand, 0, m_words[at]};
    case '?':
        return {Kind::Unknown, c, written()};
    case ':':
        return {Kind::MissingValue, c, written()};
    default:
        return {Kind::Option, c, optarg != nullptr ? optarg : ""};
    }
}
