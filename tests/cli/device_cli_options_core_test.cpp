#include "cli/device_cli_options.h"

#include "tests/support/posixly_correct.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The options a row checks, on one line; the error for wrong usage.
std::string Outcome(const std::vector<std::string>& words) {
    t_device_cli_options o;
    std::string error;
    if (!ParseDeviceCli(words, o, error)) {
        return "error: " + error;
    }
    const char* const commands[] = {"none",  "help",    "version",       "ports",         "info",
                                    "clock", "readout", "settings dump", "settings write"};
    std::string out = commands[static_cast<int>(o.command)];
    const auto field = [&](const char* name, const std::string& value) {
        if (!value.empty()) {
            out.append(" ").append(name).append("=").append(value);
        }
    };
    field("port", o.port);
    field("baud", o.baudRate != 0 ? std::to_string(o.baudRate) : "");
    field("o", o.output);
    field("in", o.input);
    field("drift", o.maxDriftGiven ? std::to_string(o.maxDriftSeconds) : "");
    field("trace", o.trace);
    for (const auto& [name, on] : {std::pair{" quiet", o.quiet},
                                   {" set", o.setClock},
                                   {" other", o.otherDevice},
                                   {" dry", o.dryRun},
                                   {" json", o.json}}) {
        if (on) {
            out += name;
        }
    }
    return out;
}

TEST(DeviceCliOptions, WordsGiveOptionsOrTheReason) {
    struct Case {
        std::vector<std::string> words;
        std::string outcome;
    };
    const Case cases[] = {
        {{"--version"}, "version"},
        {{"info", "--version"}, "version"},
        {{"-h"}, "help"},
        {{"readout", "--help"}, "help"},
        {{"--port=/dev/x", "--baud=9600", "info"}, "info port=/dev/x baud=9600"},
        {{"--port", "/dev/x", "--", "info"}, "info port=/dev/x"},
        // Options stand anywhere, the command's own too; "--" before the command leaves them.
        {{"--", "readout", "-o", "a.qz", "--quiet"}, "readout o=a.qz quiet"},
        {{"-q", "clock", "--max-drift=5", "--set"}, "clock drift=5 quiet set"},
        {{"settings", "write", "--other-device", "f.txt", "--dry-run"},
         "settings write in=f.txt other dry"},
        {{"settings", "dump", "-oout.txt"}, "settings dump o=out.txt"},
        // After the command "--" makes the rest its words.
        {{"settings", "write", "--", "-f.txt"}, "settings write in=-f.txt"},
        {{"info", "--", "--quiet"}, "error: unexpected '--quiet'"},
        // A cluster left half read must not reach the next parse.
        {{"-qx", "info"}, "error: unknown option -x"},
        {{"--bogus", "info"}, "error: unknown option --bogus"},
        {{"--quiet=1", "info"}, "error: unknown option --quiet=1"},
        {{"info", "--port"}, "error: --port needs a value"},
        {{"readout", "-o"}, "error: -o needs a value"},
        {{"--port=", "info"}, "error: --port needs a port"},
        {{"--baud", "x", "info"}, "error: bad baud rate 'x'"},
        {{"--quiet"}, "error: no command given"},
        {{"readout"}, "error: readout needs -o FILE.qz or -o DIR/"},
        {{"info", "--set"}, "error: --set and --max-drift belong to clock"},
        {{"--json", "ports"}, "ports json"},
        {{"info", "--json"}, "error: --json belongs to ports"},
        {{"readout", "--trace=t.txt", "-o", "a.qz"}, "readout o=a.qz trace=t.txt"},
        {{"--trace", "", "info"}, "error: --trace needs a file name"},
        {{"ports", "--trace", "t.txt"},
         "error: --trace needs a command that uses the device; ports opens no port"},
    };
    ExpectOutcomesWithAndWithoutPosixlyCorrect("re2-device", cases, Outcome);
}

} // namespace
