#pragma once
// Reply handlers: what the request queue calls with a request's reply or time-out.

#include "link/transfer_data.h"

#include <functional>

// Called with the reply, or with nullptr when the request timed out. The pointer is valid
// only during the call; a handler copies what it needs. An empty handler takes nothing.
using ReplyHandler = std::function<void(const t_transfer_data* reply)>;
