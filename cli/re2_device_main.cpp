// re2-device: the device from a shell (cli/device_cli.h).

#include "cli/descriptor_stream.h"
#include "cli/device_cli.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    CDescriptorStream out(STDOUT_FILENO);
    return DeviceMain(argc, argv, out, std::cerr);
}
