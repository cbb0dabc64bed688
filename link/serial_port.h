#pragma once
// CSerialPort: the port as the link worker uses it. The worker opens it, writes frames,
// sleeps in Wait until the port or its own wake-up descriptor has something, reads what
// waits, and closes it. CComPort is the serial port of the system; tests give the worker a
// port in memory.

#include "link/port_failure.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

// What ended a Wait; all false when its time ran out or a signal interrupted it.
struct t_port_wait {
    bool woken = false;    // the wake-up descriptor is readable (it is not drained)
    bool readable = false; // the port has characters waiting
    bool hungUp = false;   // the port reports a hang-up or an error
};

class CSerialPort {
public:
    virtual ~CSerialPort() = default;

    // Opens the device at path (as the link resolved the user's choice of port): 1 when the
    // port is open (also when it already was), 0 on failure (Failure() says why).
    virtual int Open(const std::string& path, int baudRate) = 0;
    // Why the last Open gave 0.
    virtual const t_port_failure& Failure() const = 0;
    // What the user should know about the last Open that gave 1 (nothing by default).
    virtual const t_port_notice& Notice() const {
        static const t_port_notice none;
        return none;
    }
    // Always 1.
    virtual int Close() = 0;
    // Bytes written, one frame in one call; 0 when not open.
    virtual int Write(const void* buffer, std::size_t count) = 0;
    // Up to maximum bytes of what waits, never blocking: 0 when nothing waits, when not open
    // or on failure.
    virtual int ReadSome(void* buffer, std::size_t maximum) = 0;
    // Sleeps until wakeFd is readable, or (with watchPort) the port has characters or hangs
    // up, or timeoutMs passed (-1: no limit).
    virtual t_port_wait Wait(int wakeFd, bool watchPort, int timeoutMs) = 0;
    // Descriptor that is readable when characters wait, for a caller's own poll(); -1 while
    // closed.
    virtual int Descriptor() const = 0;
};

// Makes the port a link worker opens; called on the worker's thread.
using SerialPortMaker = std::function<std::unique_ptr<CSerialPort>()>;
