#include "export/export_options.h"

#include "tests/support/posixly_correct.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Outcome(const std::vector<std::string>& words) {
    t_export_options o;
    std::string problem;
    switch (ParseExportOptions(words, o, problem)) {
    case ExportParse::Help:
        return "help";
    case ExportParse::Version:
        return "version";
    case ExportParse::Wrong:
        return "error: " + problem;
    case ExportParse::Run:
        break;
    }
    std::string out = "run " + o.input;
    out += o.dialect == CsvDialect::Standard ? " c" : " pl";
    if (o.summary) {
        out += " summary";
    }
    if (o.toFile) {
        out += " o=" + o.output;
    }
    return out;
}

TEST(ExportOptions, WordsGiveOptionsOrTheReason) {
    struct Case {
        std::vector<std::string> words;
        std::string outcome;
    };
    const Case cases[] = {
        {{"--version"}, "version"},
        {{"-h", "f.qz"}, "help"},
        {{"f.qz", "--dialect=c", "--summary"}, "run f.qz c summary"},
        {{"f.qz", "-o", "out.csv", "--dialect", "pl"}, "run f.qz pl o=out.csv"},
        {{"--", "-f.qz"}, "run -f.qz pl"},
        {{"-"}, "run - pl"},
        {{"--csv", "f.qz"}, "error: unknown option --csv"},
        {{"--summary=1", "f.qz"}, "error: unknown option --summary=1"},
        {{"f.qz", "--dialect"}, "error: --dialect needs a value"},
        {{"f.qz", "-o"}, "error: -o needs a value"},
        {{"--dialect=en", "f.qz"}, "error: unknown dialect 'en' (pl or c)"},
        {{"f.qz", "g.qz"}, "error: one measurement file only"},
        {{"--summary"}, "error: no measurement file given"},
    };
    ExpectOutcomesWithAndWithoutPosixlyCorrect("re2-export", cases, Outcome);
}

} // namespace
