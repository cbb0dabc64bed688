#include "device/statistics_record.h"

#include "base/text_format.h"

void t_statistics_record::ClearWorkingTime(const t_device_time& now) {
    SetU32(kResettableWorking, 0);
    WriteDeviceTime(bytes.data(), kSize, kWorkingClearedAt, now);
}

void t_statistics_record::ClearDrivingTime(const t_device_time& now) {
    SetU32(kResettableDriving, 0);
    WriteDeviceTime(bytes.data(), kSize, kDrivingClearedAt, now);
}

t_device_time t_statistics_record::TimeAt(std::size_t offset) const {
    t_device_time time;
    ReadDeviceTime(bytes.data(), kSize, offset, time);
    return time;
}

bool ParseStatistics(const std::uint8_t* data, std::size_t size, t_statistics_record& record) {
    return record.Load(data, size);
}

std::string FormatKilometres(std::uint32_t metres) {
    return Format("%u.%03u", metres / 1000u, metres % 1000u);
}
