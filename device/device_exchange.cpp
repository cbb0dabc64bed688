#include "device/device_exchange.h"

#include "device/device_session.h"
#include "link/no_answer_text.h"
#include "link/protocol.h"
#include "link/transfer_data.h"

#include <algorithm>

std::size_t ReplyDataLength(const t_transfer_data& reply) {
    return std::min<std::size_t>(reply.length, protocol::kMaxData);
}

void ShowNoAnswer(CDeviceSession& session) {
    session.ShowMessage(kNoAnswerText, MessageIcon::Exclamation);
}
