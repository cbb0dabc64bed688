#pragma once
// The console lines that tell the user why a port could not be used, what to know about
// one that opened, and how clean the line was. Pure: values in, text out.

#include "link/line_counters.h"
#include "link/port_failure.h"

#include <string>

// One line for a failed open of "COM<portNumber>" at baudRate: the device is missing, the
// user may not open it, another program holds it, it refused the line settings, or the
// system's own message.
std::string PortFailureText(int portNumber, int baudRate, const t_port_failure& failure);
// The same line for a port the user named otherwise: "COM3", or a device path.
std::string PortFailureTextFor(const std::string& portName, int baudRate,
                               const t_port_failure& failure);

// One line for an open of "COM<portNumber>" that succeeded with something to tell (a stale
// lock file left in place); empty when there is nothing.
std::string PortNoticeText(int portNumber, const t_port_notice& notice);
std::string PortNoticeTextFor(const std::string& portName, const t_port_notice& notice);

// "Łącze: ramki: ..." with the four counts.
std::string LineCountersText(const t_line_counters& counters);
