#pragma once
// The 42-byte statistics record: counters of driving and working time and distance.

#include "base/byte_order.h"
#include "base/device_time.h"
#include "link/protocol.h"

#include <string>

struct t_statistics_record : t_byte_record<protocol::kStatisticsSize> {
    static constexpr std::size_t kKilometres = 2;
    static constexpr std::size_t kTotalWorking = 10;
    static constexpr std::size_t kTotalDriving = 14;
    static constexpr std::size_t kWorkingClearedAt = 18;
    static constexpr std::size_t kResettableWorking = 25;
    static constexpr std::size_t kDrivingClearedAt = 29;
    static constexpr std::size_t kResettableDriving = 36;

    std::uint32_t Kilometres() const { return U32(kKilometres); } // metres
    std::uint32_t TotalWorkingTime() const { return U32(kTotalWorking); }
    std::uint32_t TotalDrivingTime() const { return U32(kTotalDriving); }
    std::uint32_t ResettableWorkingTime() const { return U32(kResettableWorking); }
    std::uint32_t ResettableDrivingTime() const { return U32(kResettableDriving); }
    t_device_time WorkingClearedAt() const { return TimeAt(kWorkingClearedAt); }
    t_device_time DrivingClearedAt() const { return TimeAt(kDrivingClearedAt); }

    // Zeroes a resettable counter and stamps its clearing date.
    void ClearWorkingTime(const t_device_time& now);
    void ClearDrivingTime(const t_device_time& now);

private:
    t_device_time TimeAt(std::size_t offset) const;
};

// False when the reply carried fewer than 42 data bytes: it counts as no answer.
bool ParseStatistics(const std::uint8_t* data, std::size_t size, t_statistics_record& record);
// Metres as "%u.%03u" kilometres.
std::string FormatKilometres(std::uint32_t metres);
