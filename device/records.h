#pragma once
// All device record layouts in one include.

#include "device/configuration_record.h"
#include "device/device_replies.h"
#include "device/przeglady_record.h"
#include "device/live_status.h"
#include "device/relays_record.h"
#include "device/statistics_record.h"
