#pragma once
// The device's end of a line, played by a test: the master side of a pseudo-terminal whose
// slave is linked as COM<n> in a program directory, where the terminal opens it as its
// serial port.

#include "link/transfer_data.h"

#include <string>
#include <vector>

class PtyDeviceEnd {
public:
    // `directory` is the program directory, with or without a trailing '/'.
    explicit PtyDeviceEnd(const std::string& directory, int comPort = 1);
    ~PtyDeviceEnd();
    PtyDeviceEnd(const PtyDeviceEnd&) = delete;
    PtyDeviceEnd& operator=(const PtyDeviceEnd&) = delete;

    // False when the pseudo-terminal could not be opened or linked.
    bool Ok() const { return m_ok; }

    void Send(const std::string& text);
    void SendFrame(const t_transfer_data& record);
    // All frames in one write, as a burst the terminal finds waiting at once.
    void SendFrames(const std::vector<t_transfer_data>& records);
    // Everything the terminal sent within `ms`, stopping early once `until` has come.
    std::string Receive(int ms, const std::string& until = {});
    // The other side goes away, as a pulled adapter.
    void Close();

private:
    int m_master = -1;
    bool m_ok = false;
};
