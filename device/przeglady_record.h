#pragma once
// The inspection schedule (block 3, 118 bytes): sixteen inspection dates in no order, a
// year of 0 marking an empty slot, and the interval between inspections in days.

#include "base/byte_order.h"
#include "base/device_time.h"
#include "link/protocol.h"

struct t_przeglady_record : t_byte_record<protocol::kInspectionsSize> {
    static constexpr int kSlots = 16;
    static constexpr std::size_t kFirstSlot = 2;
    static constexpr std::size_t kInterval = 114;

    // Slot 0-15; an index outside gives the all-zero (empty) record.
    t_device_time Slot(int index) const;
    void SetSlot(int index, const t_device_time& time);
    bool IsSlotEmpty(int index) const { return Slot(index).Year() == 0; }
    std::uint16_t Interval() const { return U16(kInterval); }
    void SetInterval(std::uint16_t days) { SetU16(kInterval, days); }

    // The earliest slot; among equal ones the lowest index. An empty slot is earlier than
    // any dated one.
    int OldestSlot() const;
    // Overwrites the oldest slot with now and gives its index.
    int StampOldest(const t_device_time& now);
};
