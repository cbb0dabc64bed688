#include "base/program_info.h"

const char kPackageVersion[] = RE2_PACKAGE_VERSION;
