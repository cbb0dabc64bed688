#pragma once
// CFrameLine: the link as the request queue sees it: a frame goes out, and the time the
// device last sent a character. CTransfer is the one the program uses.

#include "link/transfer_data.h"

#include <chrono>

class CFrameLine {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~CFrameLine() = default;

    // Queues a frame for sending; 0 (frame dropped) while no connection runs.
    virtual int PutToSend(const t_transfer_data& record) = 0;
    // When the last character came from the device during this connection, whole frame
    // or not; Clock::time_point{} when none came yet.
    virtual Clock::time_point LastCharacterTime() const = 0;
};
