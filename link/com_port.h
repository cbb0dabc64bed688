#pragma once
// One serial port on POSIX termios: open a device at a baud rate (raw 8N1), write a frame,
// read what is waiting without blocking, close.
//
// "COMn" names <folder of the COMn links>/COMn when that path exists, else /dev/ttyS<n-1>
// (DevicePath); the port is opened by the path that gives.
// All operations return an int and report no message; why the last Open failed is kept
// (Failure()), and what the user should know about the last Open that succeeded (Notice()).
//
// The port is handed back as it was found: closing (and an Open that fails after it changed
// the line) puts back the line settings read at open, clears the low-latency bit and
// exclusive use only where Open set them, and removes the lock file Open made. No step
// waits for good on a line that does not move: output gets a deadline to drain and is
// discarded after it, so that neither a send nor the close can hang.

#include "link/port_failure.h"
#include "link/serial_port.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <termios.h>

class CComPort : public CSerialPort {
public:
    // The longest Open keeps trying to take a lock file that other programs keep changing.
    static constexpr int kOpenDeadlineMs = 5000;
    // The longest Close waits for queued output to go out before it discards it.
    static constexpr int kCloseDrainMs = 1000;

    CComPort() = default;
    ~CComPort() override;
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // 1 when the port is open (also when it already was), 0 on failure. Exclusive use;
    // a baud rate that termios cannot set makes it fail. Every step is non-blocking and
    // the lock file's retries end after kOpenDeadlineMs, so Open always comes back.
    // path: a device node or a link to one.
    int Open(const std::string& path, int baudRate) override;
    // Gives the port back as Open found it (see above). Always 1.
    int Close() override;
    // Bytes written (one frame: written and drained within 5 s, what is still queued then
    // is discarded); 0 when not open.
    int Write(const void* buffer, std::size_t count) override;
    // Bytes read, never blocking: 0 when not open, when nothing waits, or on failure.
    int Read(void* buffer, std::size_t maximum);
    // Reads up to maximum bytes of what is waiting in one call (same results as Read).
    int ReadSome(void* buffer, std::size_t maximum) override;
    // poll(2) on wakeFd and the port's descriptor.
    t_port_wait Wait(int wakeFd, bool watchPort, int timeoutMs) override;

    bool IsOpen() const { return m_open != 0; }
    // Why the last Open gave 0: the step, its errno and the device path.
    const t_port_failure& Failure() const override { return m_failure; }
    // What the last Open that gave 1 has to tell the user; nothing (Any() false) otherwise.
    const t_port_notice& Notice() const override { return m_notice; }
    // Descriptor for poll(); -1 while closed.
    int Descriptor() const override { return m_fd; }

    // Path that "COM<portNumber>" names, given the folder of the COMn links (ending in '/').
    static std::string DevicePath(int portNumber, const std::string& linkDirectory);
    // The device a path names with every link resolved; where it leads nowhere, as far as
    // its links go.
    static std::string ResolvedDevice(const std::string& path);
    // Folder of the UUCP lock files (ending in '/'); /run/lock/ unless a test moves it.
    static void SetLockDirectory(const std::string& directory);

    // Test seam: the ioctl(2)-like call for TIOCGSERIAL and TIOCSSERIAL (arg points to a
    // struct serial_struct); nullptr restores the system call.
    using SerialIoctl = int (*)(int fd, unsigned long request, void* arg);
    static void SetSerialIoctlForTest(SerialIoctl function);

private:
    // Ends a failed Open: records the step and errno, undoes what Open did so far.
    int Fail(PortStep step, int error, int fd);
    // Open's steps on the device open as fd; false once one failed (Failure() says which).
    // The advisory lock and the lock file, retried until deadline.
    bool TakeLocks(int fd, const std::string& lockFolder,
                   std::chrono::steady_clock::time_point deadline);
    // Exclusive use and the line settings: raw 8N1 at speed, no flow control.
    bool TakeLine(int fd, speed_t speed);
    // Gives back what Open took (line settings, low latency, exclusive use, the lock file)
    // and closes fd.
    void Release(int fd);
    void SetLowLatency(int fd);

    int m_fd = -1;
    int m_open = 0;
    t_port_failure m_failure;
    t_port_notice m_notice;
    // What Open changed on the device, to be undone on close and only then: another
    // program's exclusive use or latency setting is not ours to clear.
    bool m_setExclusive = false;
    bool m_setLowLatency = false;
    bool m_setLine = false; // the line settings were changed; m_foundLine restores them
    termios m_foundLine{};
    std::string m_lockedPath; // device path of the lock file we made; empty for none
    std::string m_lockFolder;
};
