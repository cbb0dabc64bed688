#pragma once
// Reply handlers and timer callbacks: member operations of a command target, kept as
// pointers to members so that they can be stored, compared and called later.

#include "framework/cmd_target.h"
#include "link/transfer_data.h"

#include <cstdint>

// Called with the reply, or with nullptr when the request timed out. The pointer is valid
// only during the call; a handler copies what it needs.
using ReplyHandler = void (CCmdTarget::*)(const t_transfer_data* reply);

template <class T> ReplyHandler MakeReplyHandler(void (T::*handler)(const t_transfer_data*)) {
    return static_cast<ReplyHandler>(handler);
}

// A one-shot delayed call of the timer service: callback(arg) on the context.
using TimerCallback = void (CCmdTarget::*)(int arg);

template <class T> TimerCallback MakeTimerCallback(void (T::*callback)(int)) {
    return static_cast<TimerCallback>(callback);
}

struct t_timer_struct {
    TimerCallback callback = nullptr;
    CCmdTarget* context = nullptr;
    std::int32_t arg = 0;
};
