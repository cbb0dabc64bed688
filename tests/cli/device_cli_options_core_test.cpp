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
    const char* const commands[] = {"none",           "help",           "version", "ports",
                                    "info",           "clock",          "readout", "settings dump",
                                    "settings write", "settings check", "monitor"};
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
    field("interval", o.intervalGiven ? std::to_string(o.intervalMs) : "");
    field("count", o.count > 0 ? std::to_string(o.count) : "");
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
        {{"info", "--", "--quiet"}, "error: nieoczekiwane '--quiet'"},
        // A cluster left half read must not reach the next parse.
        {{"-qx", "info"}, "error: nieznana opcja -x"},
        {{"--bogus", "info"}, "error: nieznana opcja --bogus"},
        {{"--quiet=1", "info"}, "error: nieznana opcja --quiet=1"},
        {{"info", "--port"}, "error: --port wymaga wartości"},
        {{"readout", "-o"}, "error: -o wymaga wartości"},
        {{"--port=", "info"}, "error: --port wymaga portu"},
        {{"--baud", "x", "info"}, "error: zła szybkość 'x'"},
        {{"--quiet"}, "error: nie podano polecenia"},
        {{"readout"}, "error: readout wymaga -o PLIK.qz, -o FOLDER/ albo -o -"},
        {{"info", "--set"}, "error: --set i --max-drift należą do clock"},
        {{"--json", "ports"}, "ports json"},
        {{"info", "--json"}, "info json"},
        {{"readout", "-o", "-", "--json"},
         "error: readout -o - pisze obraz na standardowe wyjście: bez --json"},
        {{"settings", "write", "f.txt", "--json"},
         "error: --json należy do ports, info, clock, monitor, readout i settings write "
         "--dry-run"},
        {{"settings", "write", "-", "--dry-run", "--json"}, "settings write in=- dry json"},
        {{"settings", "check", "-"}, "settings check in=-"},
        {{"settings", "check", "f.txt", "--dry-run"},
         "error: --dry-run i --other-device należą do settings write"},
        {{"monitor", "--interval=250", "--count", "3"}, "monitor interval=250 count=3"},
        {{"monitor", "--interval=50"}, "error: zły odstęp '50' (ms, 100..3600000)"},
        {{"info", "--count", "3"}, "error: --interval i --count należą do monitor"},
        {{"readout", "--trace=t.txt", "-o", "a.qz"}, "readout o=a.qz trace=t.txt"},
        {{"--trace", "", "info"}, "error: --trace wymaga nazwy pliku"},
        {{"ports", "--trace", "t.txt"},
         "error: --trace wymaga polecenia, które używa urządzenia; ports nie otwiera portu"},
    };
    ExpectOutcomesWithAndWithoutPosixlyCorrect("re2-device", cases, Outcome);
}

} // namespace
