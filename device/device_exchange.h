#pragma once
// The small steps the device operations share around one exchange with the device.

#include <cstddef>

class CDeviceSession;
struct t_transfer_data;

// The data bytes a reply carries, never more than a frame holds.
std::size_t ReplyDataLength(const t_transfer_data& reply);
// The device's silence (kNoAnswerText) in a warning message; said whether no reply came
// or one that could not be read.
void ShowNoAnswer(CDeviceSession& session);
