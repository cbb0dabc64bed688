#include "export/export_options.h"

#include "base/option_scan.h"
#include "base/program_info.h"

namespace {

constexpr char kUsage[] =
    "usage: re2-export [--dialect pl|c] [--summary] [-o OUT.csv] FILE.qz\n"
    "Writes the samples recorded in a measurement file (as the terminal saves a recorder\n"
    "readout) as CSV: one row per sample with its run number, its date and time\n"
    "(YYYY-MM-DD HH:MM:SS, local time of this PC), speed in m/s and position in metres.\n"
    "Each run the recorder took stays whole: sample i of a run was taken i seconds after\n"
    "its start.\n"
    "\n"
    "  --dialect pl   separator ';' and a decimal comma, for spreadsheets set to Polish\n"
    "                 (the default)\n"
    "  --dialect c    standard CSV: separator ',' and a decimal point\n"
    "  --summary      one row per run instead: its first and last sample time, sample\n"
    "                 count, highest speed, lowest and highest position\n"
    "  -o OUT.csv     write to OUT.csv instead of standard output; a file is replaced\n"
    "                 only once all of it is written (one with other hard links, of\n"
    "                 another owner or in a folder you may not write to is written\n"
    "                 in place); a pipe, a terminal or a device (/dev/stdout) is\n"
    "                 written to as it is\n"
    "  --help, -h     this text\n"
    "  --version      the version of the program\n"
    "A value may also follow its option after '=' (--dialect=c); after '--' a word is the\n"
    "file even when it starts with '-'.\n"
    "\n"
    "The first row names the columns (przebieg, czas, predkosc [m/s], polozenie [m]; with\n"
    "--summary przebieg, poczatek, koniec, probki, max predkosc [m/s], min polozenie [m],\n"
    "max polozenie [m]). Lines end in CRLF; the text is UTF-8 without a byte-order mark.\n"
    "\n"
    "Exit status: 0 written; 1 FILE cannot be read, is not a measurement file (exactly\n"
    "475136 bytes), or the output cannot be written; 2 wrong usage.\n";

enum LongOnly { kVersion = 256, kDialect, kSummary };

constexpr option kLongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {"dialect", required_argument, nullptr, kDialect},
    {"summary", no_argument, nullptr, kSummary},
    {nullptr, 0, nullptr, 0},
};

} // namespace

std::string ExportUsage() {
    return kUsage;
}

std::string ExportVersion() {
    return std::string("re2-export ") + kPackageVersion;
}

ExportParse ParseExportOptions(const std::vector<std::string>& words, t_export_options& options,
                               std::string& problem) {
    bool haveInput = false;
    OptionScan scan(words, "ho:", kLongOptions);
    for (OptionScan::Item item = scan.Next(); item.kind != OptionScan::Kind::End;
         item = scan.Next()) {
        const std::string& text = item.text;
        switch (item.kind) {
        case OptionScan::Kind::Operand:
            if (haveInput) {
                problem = "one measurement file only";
                return ExportParse::Wrong;
            }
            options.input = text;
            haveInput = true;
            continue;
        case OptionScan::Kind::EndOfOptions:
            scan.OperandsOnly();
            continue;
        case OptionScan::Kind::Unknown:
            problem = "unknown option " + text;
            return ExportParse::Wrong;
        case OptionScan::Kind::MissingValue:
            problem = text + " needs a value";
            return ExportParse::Wrong;
        case OptionScan::Kind::Option:
        case OptionScan::Kind::End:
            break;
        }
        switch (item.option) {
        case 'h':
            return ExportParse::Help;
        case kVersion:
            return ExportParse::Version;
        case kSummary:
            options.summary = true;
            break;
        case 'o':
            options.output = text;
            options.toFile = true;
            break;
        case kDialect:
            if (text == "pl") {
                options.dialect = CsvDialect::Polish;
            } else if (text == "c") {
                options.dialect = CsvDialect::Standard;
            } else {
                problem = "unknown dialect '" + text + "' (pl or c)";
                return ExportParse::Wrong;
            }
            break;
        }
    }
    if (!haveInput) {
        problem = "no measurement file given";
        return ExportParse::Wrong;
    }
    if (options.toFile && options.output.empty()) {
        problem = "-o needs a file name";
        return ExportParse::Wrong;
    }
    return ExportParse::Run;
}
