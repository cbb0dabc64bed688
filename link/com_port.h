#pragma once
// One serial port on POSIX termios: open by number at a baud rate (raw 8N1), write a frame,
// read what is waiting without blocking, close.
//
// "COMn" is <program directory>/COMn when that path exists, else /dev/ttyS<n-1>.
// All operations return an int and report no message; why the last Open failed is kept
// (Failure()).

#include "link/port_failure.h"

#include <cstddef>
#include <string>

class CComPort {
public:
    CComPort() = default;
    ~CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // 1 when the port is open (also when it already was), 0 on failure. Exclusive use;
    // a baud rate that termios cannot set makes it fail.
    int Open(int portNumber, int baudRate);
    // Always 1.
    int Close();
    // Bytes written (one frame, 5 s limit, then drained); 0 when not open.
    int Write(const void* buffer, std::size_t count);
    // Bytes read, never blocking: 0 when not open, when nothing waits, or on failure.
    int Read(void* buffer, std::size_t maximum);
    // Reads up to maximum bytes of what is waiting in one call (same results as Read).
    int ReadSome(void* buffer, std::size_t maximum);

    bool IsOpen() const { return m_open != 0; }
    // Why the last Open gave 0: the step, its errno and the device path.
    const t_port_failure& Failure() const { return m_failure; }
    // Descriptor for poll(); -1 while closed.
    int Descriptor() const { return m_fd; }

    // Path that "COM<portNumber>" names, given the program directory (ending in '/').
    static std::string DevicePath(int portNumber, const std::string& programDirectory);
    // Program directory used by Open; set once by the program at start.
    static void SetProgramDirectory(const std::string& directory);

private:
    // Ends a failed Open: records the step and errno, closes fd when it is open.
    int Fail(PortStep step, int error, int fd);

    int m_fd = -1;
    int m_open = 0;
    t_port_failure m_failure;
};
