#pragma once
// The command line of re2-device: the global options (anywhere on the line), the command
// and its own options. Pure: words in, values or a usage error out.

#include <string>
#include <vector>

enum class DeviceCommand {
    None,
    Help,
    Version,
    Ports,
    Info,
    Clock,
    Readout,
    SettingsDump,
    SettingsWrite,
    SettingsCheck,
    Monitor,
};

// The file name that stands for standard input or output.
constexpr char kStandardStream[] = "-";

struct t_device_cli_options {
    DeviceCommand command = DeviceCommand::None;
    // Global: each empty or 0 when not given (config.cfg then says).
    std::string port; // "COMn" or a device path
    int baudRate = 0;
    int deviceAddress = -1;
    std::string configDirectory;
    bool quiet = false;
    // The file the trace of the line goes to; empty for none.
    std::string trace;

    // ports, info, clock, monitor, readout, settings write --dry-run: JSON on standard
    // output, and an error as a JSON object on standard error
    bool json = false;
    // clock
    bool setClock = false;
    bool maxDriftGiven = false;
    long long maxDriftSeconds = 0;
    // readout, settings dump: the file (empty for standard output with dump; "-" standard
    // output)
    std::string output;
    bool restart = false;
    bool full = false; // readout: the kept image of the last readout is not built on
    // readout: seconds a port that went away is waited for; -1: not given (120)
    long long waitPortSeconds = -1;
    // settings write, settings check: the file ("-" standard input)
    std::string input;
    bool dryRun = false;
    bool otherDevice = false;
    // monitor: ms between polls; how many (0: until a signal)
    long long intervalMs = 1000;
    bool intervalGiven = false;
    long long count = 0;
};

// The device addresses a frame can carry.
constexpr int kMaxDeviceAddress = 31;

// Parses argv[1..]; false with the reason in error (one line, Polish) for wrong usage.
bool ParseDeviceCli(const std::vector<std::string>& words, t_device_cli_options& options,
                    std::string& error);

// The --help text.
std::string DeviceCliHelp();
// The --version line.
std::string DeviceCliVersion();
