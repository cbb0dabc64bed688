#pragma once
// The texts of the "Port" dialog about where each COMn leads and what the machine has.
// Pure: values in, text out.

#include "link/com_link.h"
#include "link/serial_ports.h"

#include <string>
#include <vector>

// A port as a person knows it: "FT232R USB UART, A10K1ABC" (model and serial number, the
// maker or the USB ids when the adapter gives no model), "port wbudowany".
std::string PortLabelText(const t_serial_port& port);

// What COM<portNumber> leads to now, given its entry of the settings folder and the ports:
//  - a port: "FT232R USB UART, A10K1ABC (/dev/ttyUSB0)", with why it cannot be used after a
//    colon ("brak dostępu", "zajęty przez proces 1234");
//  - no entry: /dev/ttyS<n-1>, "port wbudowany (/dev/ttyS0)" or "/dev/ttyS0: brak portu w
//    komputerze" when no UART is behind it;
//  - a link to nothing: "brak: usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0 nie istnieje";
//  - anything else it leads to: that file ("/dev/pts/3").
std::string ComTargetText(int portNumber, const t_com_link& link,
                          const std::vector<t_serial_port>& ports);

// The line under the list: empty while a USB adapter is listed; otherwise that none is,
// and when brltty's rules claim USB serial adapters, that it may be taking the adapter.
std::string PortListNote(const std::vector<t_serial_port>& ports, bool brlttyClaimsAdapters);
