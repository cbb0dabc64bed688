// re2-device: the device from a shell (cli/device_cli.h).

#include "cli/device_cli.h"

#include <iostream>

int main(int argc, char** argv) {
    return DeviceMain(argc, argv, std::cout, std::cerr);
}
