#include "link/port_failure_text.h"

#include "base/text_format.h"

#include <cerrno>
#include <cstring>

namespace {

enum class FailureKind { Missing, Denied, Busy, Settings, Other };

FailureKind KindOf(const t_port_failure& failure) {
    switch (failure.step) {
    case PortStep::Speed:
    case PortStep::LineSettings:
        return FailureKind::Settings;
    case PortStep::Lock:
    case PortStep::LockFile:
        return FailureKind::Busy;
    case PortStep::NotTerminal:
        // A plain file or a directory where a serial device should be.
        return FailureKind::Missing;
    default:
        break;
    }
    switch (failure.error) {
    // EIO is what a serial device node without hardware behind it gives.
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case EIO:
        return FailureKind::Missing;
    case EACCES:
    case EPERM:
        return FailureKind::Denied;
    case EBUSY:
    case EWOULDBLOCK:
        return FailureKind::Busy;
    default:
        return FailureKind::Other;
    }
}

std::string SystemMessage(int error) {
    if (error == 0) {
        return "nieznany błąd";
    }
    char buffer[256];
    // The GNU strerror_r gives a pointer that may or may not be the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

} // namespace

namespace {

// "COM3 (/dev/ttyS2)", "/dev/serial/by-id/x (/dev/ttyUSB0)", or a path that is its own
// device alone.
std::string PortLabel(const std::string& portName, const std::string& path) {
    if (path.empty() || path == portName) {
        return portName;
    }
    return portName + " (" + path + ")";
}

std::string ComName(int portNumber) {
    return Format("COM%d", portNumber);
}

} // namespace

std::string PortFailureText(int portNumber, int baudRate, const t_port_failure& failure) {
    return PortFailureTextFor(ComName(portNumber), baudRate, failure);
}

std::string PortFailureTextFor(const std::string& portName, int baudRate,
                               const t_port_failure& failure) {
    const std::string label = PortLabel(portName, failure.path);
    const char* port = label.c_str();
    switch (KindOf(failure)) {
    case FailureKind::Missing:
        return Format("Port %s nie istnieje", port);
    case FailureKind::Denied:
        return Format("Brak dostępu do portu %s: dodaj użytkownika do grupy dialout", port);
    case FailureKind::Busy: {
        std::string text = Format("Port %s jest zajęty przez inny program", port);
        if (failure.lockOwner > 0) {
            text += Format(" (proces %d)", failure.lockOwner);
        }
        return text;
    }
    case FailureKind::Settings:
        return Format("Port %s nie przyjął ustawień %db/s", port, baudRate);
    case FailureKind::Other:
        break;
    }
    return Format("Błąd portu %s: ", port) + SystemMessage(failure.error);
}

std::string PortNoticeText(int portNumber, const t_port_notice& notice) {
    return PortNoticeTextFor(ComName(portNumber), notice);
}

std::string PortNoticeTextFor(const std::string& portName, const t_port_notice& notice) {
    if (!notice.Any()) {
        return {};
    }
    std::string text = Format("Port %s: nie można usunąć pozostawionej blokady %s",
                              PortLabel(portName, notice.path).c_str(), notice.lockFile.c_str());
    if (notice.lockOwner > 0) {
        text += Format(" (proces %d nie działa)", notice.lockOwner);
    }
    return text + ", port otwarty bez pliku blokady";
}

std::string LineCountersText(const t_line_counters& counters) {
    return Format("Łącze: ramki: %u, błędna suma kontrolna: %u, za długie: %u, odrzucone znaki: %u",
                  counters.frames, counters.badChecksums, counters.overlong, counters.discarded);
}
