#pragma once
// Helpers of the link tests: a connected main window without the live status poll
// (ConnectQuiet), a reply owner that records what the queue delivers, and records to send.

#include "app/lw_dlg.h"
#include "framework/testing/test_seams.h"
#include "link/queue.h"
#include "link/reply_handler.h"
#include "tests/support/connect_quiet.h"
#include "tests/support/terminal_harness.h"

#include <chrono>
#include <optional>
#include <vector>

struct t_delivery {
    std::optional<t_transfer_data> reply; // empty: time-out
    std::uint32_t request = 0;            // CurrentDelivery() during the call
    std::chrono::steady_clock::time_point at;
};

class CReplyRecorder {
public:
    explicit CReplyRecorder(CQueue& queue) : m_queue(queue) {}
    void OnReply(const t_transfer_data* reply) {
        t_delivery d;
        if (reply != nullptr) {
            d.reply = *reply;
        }
        d.request = m_queue.CurrentDelivery();
        d.at = std::chrono::steady_clock::now();
        deliveries.push_back(d);
    }
    ReplyHandler Handler() {
        return [this](const t_transfer_data* reply) { OnReply(reply); };
    }

    std::vector<t_delivery> deliveries;

private:
    CQueue& m_queue;
};

inline t_transfer_data MakeRecord(int deviceAddress, int type, int command,
                                  std::vector<std::uint8_t> data = {}) {
    t_transfer_data r;
    r.addressType = MakeAddressType(deviceAddress, type);
    r.command = static_cast<std::uint8_t>(command);
    r.length = static_cast<std::uint8_t>(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        r.data[i] = data[i];
    }
    return r;
}
