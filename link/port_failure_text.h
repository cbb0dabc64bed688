#pragma once
// The console lines that tell the user why a port could not be used, what to know about
// one that opened, and how clean the line was. Pure: values in, text out.

#include "link/line_counters.h"
#include "link/port_failure.h"

#include <cstdint>
#include <string>

// One line for a failed open of "COM<portNumber>" at baudRate: the device is missing, it is
// no serial port (/dev/null, a plain file), the user may not open it, another program holds it, it
// refused the line settings, or the system's own message.
std::string PortFailureText(int portNumber, int baudRate, const t_port_failure& failure);
// The same line for a port the user named otherwise: "COM3", or a device path.
std::string PortFailureTextFor(const std::string& portName, int baudRate,
                               const t_port_failure& failure);

// The reasons alone, for a list that names the port itself: "nie istnieje", "brak dostępu:
// dodaj użytkownika do grupy dialout", "jest zajęty przez inny program (proces 1234)"
// (the process left out for 0).
std::string PortMissingReason();
std::string PortNotSerialReason();
std::string PortDeniedReason();
std::string PortBusyReason(int lockOwner);

// The kind of failure as an ASCII word for programs that read it: "port_missing",
// "port_not_serial", "port_denied", "port_busy", "port_settings", "port_gone", "port_error".
const char* PortFailureCode(const t_port_failure& failure);

// One line for an open of "COM<portNumber>" that succeeded with something to tell (a stale
// lock file left in place); empty when there is nothing.
std::string PortNoticeText(int portNumber, const t_port_notice& notice);
std::string PortNoticeTextFor(const std::string& portName, const t_port_notice& notice);

// The port went away while connected and is waited for; it is back; and, as a failure
// (PortStep::Gone), it was not back in time. devicePath: the node it led to.
std::string PortLostText(const std::string& portName, const std::string& devicePath);
std::string PortBackText(const std::string& portName, const std::string& devicePath);

// "Łącze: ramki: ..." with the four counts, and the requests asked again when there were any.
std::string LineCountersText(const t_line_counters& counters, std::uint32_t retries = 0);
