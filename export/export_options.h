#pragma once
// The command line of re2-export: options and the one measurement file, in any order.
// Pure: words in, values or a usage error out.

#include "measure/samples_csv.h"

#include <string>
#include <vector>

struct t_export_options {
    CsvDialect dialect = CsvDialect::Polish;
    bool summary = false;
    bool toFile = false; // -o given: output names the file
    std::string output;
    std::string input;
};

enum class ExportParse { Run, Help, Version, Wrong };

// Parses argv[1..]; Wrong with the reason in problem (one line) for wrong usage.
ExportParse ParseExportOptions(const std::vector<std::string>& words, t_export_options& options,
                               std::string& problem);

// The --help text.
std::string ExportUsage();
// The --version line.
std::string ExportVersion();
