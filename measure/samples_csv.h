#pragma once
// The recorded samples as CSV for spreadsheets: UTF-8 without a byte-order mark, lines
// ending in CRLF, a header row in Polish.

#include "measure/recorded_samples.h"

#include <string>
#include <vector>

enum class CsvDialect {
    Polish,   // separator ';' and a decimal comma, for spreadsheets set to Polish
    Standard, // separator ',' and a decimal point
};

// One row per sample: run number (1 for the first run), its date and time
// "YYYY-MM-DD HH:MM:SS" in the PC's time zone, speed in m/s with one decimal, position in
// metres. Sample i of a run is shown at AddSeconds(start, i), as the chart's read-out shows
// it. Runs without samples are left out and not numbered.
std::string SamplesCsv(const std::vector<t_recorded_run>& runs, CsvDialect dialect);

// One row per run with samples, numbered as in SamplesCsv: first and last sample time,
// sample count, highest speed, lowest and highest position.
std::string RunsSummaryCsv(const std::vector<t_recorded_run>& runs, CsvDialect dialect);
