// re2-export: the recorded samples of a measurement file as CSV (export/re2_export.h).

#include "export/re2_export.h"

#include <iostream>

int main(int argc, char** argv) {
    return ExportMain(argc, argv, std::cout, std::cerr);
}
