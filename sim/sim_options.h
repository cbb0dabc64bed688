#pragma once
// The command line of re2-simulator. Pure: words in, values or a usage error out.

#include "sim/pty_simulator.h"

#include <string>
#include <vector>

struct t_sim_options {
    t_pty_options pty;
    long address = 31;
    bool programmer = false;
    bool stageWrites = false;
    long noise = 0;
    long delayMs = 0;
    double dropRate = 0;
    bool echoes = true;
    // Request numbers of the one-off faults (0: none) and the times they take (-1: none).
    long silentAfter = 0;
    long silentForMs = -1;
    long lateReply = 0;
    long lateByMs = -1;
    long cutAfter = 0;
    // Seconds the device has recorded on its generated memory before it serves (0: none),
    // as one run starting that long before now.
    long recordSeconds = 0;
};

enum class SimParse { Run, Help, Version, Wrong };

// Parses argv[1..]; Wrong with the reason in problem (one line) for wrong usage.
SimParse ParseSimOptions(const std::vector<std::string>& words, t_sim_options& options,
                         std::string& problem);

// The --help text.
std::string SimUsage();
// The --version line.
std::string SimVersion();
