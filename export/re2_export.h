#pragma once
// re2-export: the samples of a measurement file as CSV, for reading outside this program.
//
//   re2-export [--dialect pl|c] [--summary] [-o OUT.csv] FILE.qz
//
// Exit status 0 when the output is written; 1 when FILE cannot be read, is not a
// measurement file, or the output cannot be written; 2 for wrong usage.

#include <iosfwd>

// Runs the command on the arguments main() got. The CSV (with --summary the table of
// runs), or with --help the usage text, goes to out unless -o names a file; messages go to
// err. A file named with -o is replaced only when all of it is written.
int ExportMain(int argc, char** argv, std::ostream& out, std::ostream& err);
