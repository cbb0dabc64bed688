#include "link/port_failure_text.h"

#include "base/text_format.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr char kJoinDialoutAdvice[] = "dodaj użytkownika do grupy dialout";

enum class FailureKind { Missing, NotSerial, Denied, Busy, Settings, Gone, Other };

FailureKind KindOf(const t_port_failure& failure) {
    switch (failure.step) {
    case PortStep::Speed:
    case PortStep::LineSettings:
        return FailureKind::Settings;
    case PortStep::Lock:
    case PortStep::LockFile:
        return FailureKind::Busy;
    case PortStep::Gone:
        return FailureKind::Gone;
    case PortStep::NotTerminal:
        // Something that opens but is no terminal: /dev/null, a plain file, a directory.
        return FailureKind::NotSerial;
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

std::string PortMissingReason() {
    return "nie istnieje";
}

std::string PortNotSerialReason() {
    return "nie jest portem szeregowym";
}

const char* PortFailureCode(const t_port_failure& failure) {
    switch (KindOf(failure)) {
    case FailureKind::Missing:
        return "port_missing";
    case FailureKind::NotSerial:
        return "port_not_serial";
    case FailureKind::Denied:
        return "port_denied";
    case FailureKind::Busy:
        return "port_busy";
    case FailureKind::Settings:
        return "port_settings";
    case FailureKind::Gone:
        return "port_gone";
    case FailureKind::Other:
        break;
    }
    return "port_error";
}

std::string PortDeniedReason() {
    return std::string("brak dostępu: ") + kJoinDialoutAdvice;
}

std::string PortBusyReason(int lockOwner) {
    std::string text = "jest zajęty przez inny program";
    if (lockOwner > 0) {
        text += Format(" (proces %d)", lockOwner);
    }
    return text;
}

std::string PortFailureText(int portNumber, int baudRate, const t_port_failure& failure) {
    return PortFailureTextFor(ComName(portNumber), baudRate, failure);
}

std::string PortFailureTextFor(const std::string& portName, int baudRate,
                               const t_port_failure& failure) {
    const std::string label = PortLabel(portName, failure.path);
    const char* port = label.c_str();
    switch (KindOf(failure)) {
    case FailureKind::Missing:
        return Format("Port %s ", port) + PortMissingReason();
    case FailureKind::NotSerial:
        return Format("Port %s ", port) + PortNotSerialReason();
    case FailureKind::Denied:
        return Format("Brak dostępu do portu %s: ", port) + kJoinDialoutAdvice;
    case FailureKind::Busy:
        return Format("Port %s ", port) + PortBusyReason(failure.lockOwner);
    case FailureKind::Settings:
        return Format("Port %s nie przyjął ustawień %db/s", port, baudRate);
    case FailureKind::Gone:
        return Format("Port %s nie został ponownie podłączony", port);
    case FailureKind::Other:
        break;
    }
    return Format("Błąd portu %s: ", port) + SystemMessage(failure.error);
}

std::string PortLostText(const std::string& portName, const std::string& devicePath) {
    return Format("Port %s zniknął: oczekiwanie na ponowne podłączenie…",
                  PortLabel(portName, devicePath).c_str());
}

std::string PortBackText(const std::string& portName, const std::string& devicePath) {
    return Format("Port %s podłączony ponownie", PortLabel(portName, devicePath).c_str());
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

std::string LineCountersText(const t_line_counters& counters, std::uint32_t retries) {
    std::string text =
        Format("Łącze: ramki: %u, błędna suma kontrolna: %u, za długie: %u, odrzucone znaki: %u",
               counters.frames, counters.badChecksums, counters.overlong, counters.discarded);
    if (counters.droppedFrames != 0) {
        text += Format(", odrzucone ramki: %u", counters.droppedFrames);
    }
    if (retries != 0) {
        text += Format(", powtórzone zapytania: %u", retries);
    }
    return text;
}
