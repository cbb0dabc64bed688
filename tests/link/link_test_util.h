#pragma once
// Helpers of the link tests: a connected main window without the live status poll
// (ConnectQuiet), a reply owner that records what the queue delivers, and records to send.

#include "framework/testing/test_seams.h"
#include "link/frame_codec.h"
#include "link/queue.h"
#include "link/reply_handler.h"
#include "tests/support/connect_quiet.h"
#include "tests/support/terminal_harness.h"

#include <chrono>
#include <optional>
#include <string>
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

// A record as it goes over the line, from its ':' on.
inline std::string EncodedText(const t_transfer_data& record) {
    std::uint8_t out[protocol::kMaxEncodedFrame];
    const std::size_t n = EncodeFrame(record, out);
    const std::string text(reinterpret_cast<char*>(out), n);
    return text.substr(text.find(':'));
}

// The live status request the main window sends as the link comes up: three zero bytes of
// data, written out here so that the test does not take them from the code it checks.
inline std::string FirstStatusRequestText(int deviceAddress = 31) {
    return EncodedText(MakeRecord(deviceAddress, protocol::kTypeReply, protocol::kCmdLiveStatus,
                                  std::vector<std::uint8_t>{0, 0, 0}));
}
