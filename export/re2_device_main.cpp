// re2-device: the device from a shell (export/device_cli.h).

#include "export/device_cli.h"

#include <iostream>

int main(int argc, char** argv) {
    return DeviceMain(argc, argv, std::cout, std::cerr);
}
