#include "sim/sim_options.h"

#include "tests/support/posixly_correct.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Outcome(const std::vector<std::string>& words) {
    t_sim_options o;
    std::string problem;
    switch (ParseSimOptions(words, o, problem)) {
    case SimParse::Help:
        return "help";
    case SimParse::Version:
        return "version";
    case SimParse::Wrong:
        return "error: " + problem;
    case SimParse::Run:
        break;
    }
    std::string out =
        "run baud=" + std::to_string(o.pty.baud) + " address=" + std::to_string(o.address);
    if (o.pty.comPort != 0) {
        out += " COM" + std::to_string(o.pty.comPort) + " in " + o.pty.linkDirectory;
    }
    if (o.programmer) {
        out += " programmer";
    }
    if (o.dropRate > 0) {
        out += " drop=" + std::to_string(o.dropRate);
    }
    return out;
}

TEST(SimOptions, WordsGiveOptionsOrTheReason) {
    struct Case {
        std::vector<std::string> words;
        std::string outcome;
    };
    const Case cases[] = {
        {{}, "run baud=0 address=31"},
        {{"--version"}, "version"},
        {{"-h"}, "help"},
        {{"--baud=57600", "--programmer", "--address", "3"}, "run baud=57600 address=3 programmer"},
        {{"--link-dir", "/l", "--com=2", "--"}, "run baud=0 address=31 COM2 in /l"},
        {{"--drop-rate", "0.5"}, "run baud=0 address=31 drop=0.500000"},
        {{"--", "--programmer"}, "error: unknown option or missing value: --programmer"},
        {{"--bogus"}, "error: unknown option or missing value: --bogus"},
        {{"--seed"}, "error: unknown option or missing value: --seed"},
        {{"stray"}, "error: unknown option or missing value: stray"},
        {{"--com", "x", "--link-dir", "/l"}, "error: unknown option or bad value: --com x"},
        {{"--address=32"}, "error: unknown option or bad value: --address 32"},
        {{"--drop-rate=2"}, "error: bad value for --drop-rate: 2"},
        {{"--com", "1"}, "error: --link-dir and --com go together"},
        {{"--silent-after", "3"}, "error: --silent-after and --silent-for go together"},
        {{"--late-by", "30"}, "error: --late-reply and --late-by go together"},
    };
    ExpectOutcomesWithAndWithoutPosixlyCorrect("re2-simulator", cases, Outcome);
}

} // namespace
