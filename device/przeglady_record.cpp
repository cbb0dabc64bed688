#include "device/przeglady_record.h"

namespace {

std::size_t SlotOffset(int index) {
    return t_przeglady_record::kFirstSlot + sizeof(t_device_time) * static_cast<std::size_t>(index);
}

} // namespace

t_device_time t_przeglady_record::Slot(int index) const {
    t_device_time time;
    if (index >= 0 && index < kSlots) {
        ReadDeviceTime(bytes.data(), kSize, SlotOffset(index), time);
    }
    return time;
}

void t_przeglady_record::SetSlot(int index, const t_device_time& time) {
    if (index >= 0 && index < kSlots) {
        WriteDeviceTime(bytes.data(), kSize, SlotOffset(index), time);
    }
}

int t_przeglady_record::OldestSlot() const {
    int oldest = 0;
    for (int i = 1; i < kSlots; ++i) {
        if (CompareDeviceTime(Slot(i), Slot(oldest)) < 0) {
            oldest = i;
        }
    }
    return oldest;
}

int t_przeglady_record::StampOldest(const t_device_time& now) {
    const int oldest = OldestSlot();
    SetSlot(oldest, now);
    return oldest;
}
