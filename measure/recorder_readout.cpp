// "Odczyt pomiarów": needs no window.
#include "device/device_session.h"
#include "link/protocol.h"
#include "measure/measure_operations.h"

#include <ctime>

namespace {

// "odczyt z urządzenia" and the PC's local time now.
std::string ReadoutSource() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char stamp[32] = "";
    if (localtime_r(&now, &local) != nullptr) {
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    }
    return std::string("odczyt z urządzenia ") + stamp;
}

} // namespace

void ReadRecorder(CDeviceSession& session) {
    session.ConsoleWrite("Odczyt rejestratora", 1);
    // The session reports its own failures; the image keeps what it held.
    if (!session.ReadBlock(protocol::kBlockRecorder, session.MemoryImage())) {
        return;
    }
    session.SetImageSource(ReadoutSource());
}
