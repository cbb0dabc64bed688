#pragma once
// The link as the queue sees it, without a port: it keeps what was sent, and the test sets
// when the device last sent a character.

#include "link/frame_line.h"

#include <vector>

class FakeFrameLine : public CFrameLine {
public:
    int PutToSend(const t_transfer_data& record) override {
        sent.push_back(record);
        return 1;
    }
    Clock::time_point LastCharacterTime() const override { return lastCharacter; }

    std::vector<t_transfer_data> sent;
    Clock::time_point lastCharacter{};
};
